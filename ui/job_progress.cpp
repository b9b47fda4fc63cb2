#include "job_progress.hpp"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QProgressDialog>

#include "window_setup.hpp"

namespace tesra::ui {

namespace {

constexpr int steps = 1000;

}  // namespace

// Stays up, and modal, until the job has unwound: its close box and Escape
// ask for the cancel as its button does, instead of uncovering the window
// while the job still runs.
class ProgressDialog final : public QProgressDialog {
public:
    explicit ProgressDialog(QWidget* parent) : QProgressDialog(parent) {
        QObject::disconnect(this, SIGNAL(canceled()), this, SLOT(cancel()));
        QObject::connect(this, &QProgressDialog::canceled, this, [this] { cancelled = true; });
    }
    void reject() override { emit canceled(); }
    bool cancelled = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        event->ignore();
        emit canceled();
    }
};

JobProgress::JobProgress(Services& services, QWidget& window, std::function<bool()> replace_existing)
    : services_(services), window_(window), replace_existing_(std::move(replace_existing)) {
    clock_.start();
}

JobProgress::~JobProgress() = default;

void JobProgress::message_box(std::string_view prompt, std::optional<std::string_view> title) {
    close_dialog();
    services_.message_box(prompt, title);
}

void JobProgress::completion_message(std::string_view prompt, std::string_view title) {
    close_dialog();
    services_.completion_message(prompt, title);
}

void JobProgress::end_program() {
    close_dialog();
    services_.end_program();
}

bool JobProgress::keep_going(std::uint64_t bytes_read, std::uint64_t bytes_total) {
    const qint64 now = clock_.elapsed();
    if (now - events_seen_ < repaint_every_ms) return !dialog_ || !dialog_->cancelled;
    events_seen_ = now;
    if (!dialog_ && now >= show_after_ms) {
        dialog_ = std::make_unique<ProgressDialog>(&window_);
        dialog_->setWindowTitle(qtext(application_title));
        dialog_->setLabelText(QStringLiteral("A transformar o ficheiro ASCII..."));
        dialog_->setCancelButtonText(QStringLiteral("Cancelar"));
        dialog_->setWindowModality(Qt::ApplicationModal);
        // Shown and hidden here, not by the dialog's own reckoning.
        dialog_->setAutoReset(false);
        dialog_->setAutoClose(false);
        dialog_->setMinimumDuration(0);
        dialog_->setRange(0, bytes_total > 0 ? steps : 0);  // no total: a busy bar
        dialog_->show();
    }
    if (!dialog_) {
        // Before the dialog shields the windows: repaints only, input waits.
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
    }
    if (bytes_total > 0) {
        dialog_->setValue(static_cast<int>(static_cast<double>(std::min(bytes_read, bytes_total)) /
                                           static_cast<double>(bytes_total) * steps));
    }
    QCoreApplication::processEvents();
    return !dialog_->cancelled;
}

void JobProgress::close_dialog() { dialog_.reset(); }

}  // namespace tesra::ui
