// The services of one job of the main window: the window's own, and, once
// the job has run for half a second, a modal progress dialog whose
// "Cancelar" stops it. The job keeps the user-interface thread; between
// chunks it lets the windows repaint, and the dialog's modality keeps every
// other input away from them until the job ends.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <QElapsedTimer>

#include "services.hpp"

class QWidget;

namespace tesra::ui {

class ProgressDialog;

class JobProgress final : public Services {
public:
    // Lives as long as the job: the clock starts here and the dialog goes
    // with it.
    JobProgress(Services& services, QWidget& window, std::function<bool()> replace_existing);
    ~JobProgress() override;
    JobProgress(const JobProgress&) = delete;
    JobProgress& operator=(const JobProgress&) = delete;

    // Messages and the end of the program go to the window's services, the
    // progress dialog out of their way first.
    void message_box(std::string_view prompt, std::optional<std::string_view> title) override;
    void completion_message(std::string_view prompt, std::string_view title) override;
    void set_pointer(Pointer pointer) override { services_.set_pointer(pointer); }
    void end_program() override;
    bool keep_going(std::uint64_t bytes_read, std::uint64_t bytes_total) override;
    bool replace_existing(std::string_view) override { return replace_existing_(); }

    static constexpr int show_after_ms = 500;
    static constexpr int repaint_every_ms = 40;  // the events are seen this often

private:
    void close_dialog();

    Services& services_;
    QWidget& window_;
    std::function<bool()> replace_existing_;
    QElapsedTimer clock_;
    qint64 events_seen_ = 0;  // clock_ time when events were last processed
    std::unique_ptr<ProgressDialog> dialog_;
};

}  // namespace tesra::ui
