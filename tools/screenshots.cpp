// tesra-screenshots DIR: pictures of the windows for review, drawn without a
// screen (QT_QPA_PLATFORM=offscreen): the main window at start, in the
// compact layout after a pick, in the expanded layout, the information
// window, and, as a Portuguese user sees them, the file dialog with its
// context menu and its question before a delete, the question before a
// file is replaced and the progress of a long job.
// Client areas only; the frame is the desktop's.
#include <cstdio>
#include <functional>
#include <optional>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeView>

#include "common_dialog.hpp"
#include "form1.hpp"
#include "form2.hpp"
#include "job_progress.hpp"
#include "qt_services.hpp"
#include "translations.hpp"

namespace {

class NoDialog final : public tesra::ui::Dialogs {
public:
    std::optional<QString> pick(QWidget*, const QString&, bool) override { return std::nullopt; }
    bool ask(QWidget*, const QString&) override { return false; }
};

bool save(QWidget& window, const QDir& dir, const char* name) {
    QApplication::processEvents();
    const QString path = dir.filePath(QString::fromLatin1(name));
    if (!window.grab().save(path, "PNG")) {
        std::fprintf(stderr, "tesra-screenshots: cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

// Grabs the dialog that `open` shows modally, then closes it.
bool save_dialog(const std::function<void()>& open, const QDir& dir, const char* name) {
    bool ok = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (QWidget* dialog = QApplication::activeModalWidget()) {
            poll.stop();
            ok = save(*dialog, dir, name);
            dialog->close();
        }
    });
    poll.start(50);
    open();
    return ok;
}

// The first row of the file dialog's view named `name`.
QModelIndex row_named(QTreeView& view, const QString& name) {
    for (int row = 0; row < view.model()->rowCount(view.rootIndex()); ++row) {
        const QModelIndex index = view.model()->index(row, 0, view.rootIndex());
        if (index.data().toString() == name) return index;
    }
    return {};
}

// The file dialog in a folder of points: its view; its context menu over a
// folder, drawn where it opens; the question before a file is deleted,
// answered "Não".
bool save_file_dialog(QWidget& parent, const QDir& dir) {
    QTemporaryDir work;
    const QDir points(work.path());
    points.mkdir(QStringLiteral("levantamentos"));
    QFile file(points.filePath(QStringLiteral("funchal.txt")));
    if (!file.open(QIODevice::WriteOnly) || file.write("P1,321000.5,3617000.25\r\n") < 0) return false;
    file.close();
    bool ok = true;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        auto* view = dialog != nullptr ? dialog->findChild<QTreeView*>(QStringLiteral("treeView")) : nullptr;
        if (view == nullptr || !row_named(*view, QStringLiteral("levantamentos")).isValid()) return;
        poll.stop();
        ok = save(*dialog, dir, "file_dialog.png") && ok;

        const QModelIndex folder = row_named(*view, QStringLiteral("levantamentos"));
        QTimer::singleShot(100, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr) {
                ok = false;
                return;
            }
            QPixmap picture = dialog->grab();
            QPainter painter(&picture);
            painter.drawPixmap(dialog->mapFromGlobal(menu->pos()), menu->grab());
            painter.end();
            const QString path = dir.filePath(QStringLiteral("file_dialog_menu.png"));
            ok = picture.save(path, "PNG") && ok;
            std::printf("%s\n", qPrintable(path));
            menu->close();
        });
        view->setCurrentIndex(folder);
        emit view->customContextMenuRequested(view->visualRect(folder).center());

        view->setCurrentIndex(row_named(*view, QStringLiteral("funchal.txt")));
        QAction* remove = dialog->findChild<QAction*>(QStringLiteral("qt_delete_action"));
        ok = remove != nullptr && save_dialog([&] { remove->trigger(); }, dir, "delete_question.png") && ok;
        dialog->close();
    });
    poll.start(50);
    tesra::ui::QtDialogs real;
    real.pick(&parent, points.filePath(QStringLiteral("funchal.txt")), false);
    return ok;
}

void pick(tesra::ui::Form1& form, const char* source) {
    auto* combo = form.findChild<QComboBox*>(QStringLiteral("Combo1"));
    combo->setCurrentIndex(combo->findText(QString::fromUtf8(source)));
    form.Combo1_Click();
}

void type(tesra::ui::Form1& form, const char* box, const char* text) {
    form.findChild<QLineEdit*>(QString::fromLatin1(box))->setText(QString::fromUtf8(text));
}

}  // namespace

int main(int argc, char* argv[]) {
    // Sizes and dates in the file dialog as a Portuguese user has them,
    // whatever the locale of whoever draws the pictures.
    qputenv("LC_ALL", "pt_PT.UTF-8");
    QApplication application(argc, argv);
    const QLocale portugal(QLocale::Portuguese, QLocale::Portugal);
    QLocale::setDefault(portugal);  // dates and sizes in the file dialog
    tesra::ui::install_translations(application, portugal);
    if (argc != 2) {
        std::fprintf(stderr, "usage: tesra-screenshots DIR\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "tesra-screenshots: cannot create %s\n", argv[1]);
        return 1;
    }

    tesra::QtServices services;
    NoDialog dialogs;
    tesra::ui::Form1 form(services, dialogs, {}, ',');
    services.attach(form);
    form.show();
    bool ok = save(form, dir, "form1_start.png");

    pick(form, "Madeira - UTM 28 Base SE");
    type(form, "Text1", "/home/utilizador/pontos/funchal.txt");
    type(form, "Text2", "/home/utilizador/pontos/funchal_itrf93.txt");
    ok = save(form, dir, "form1_compact.png") && ok;

    pick(form, "Qualquer");
    type(form, "Text3", "/home/utilizador/parametros/x.par");
    type(form, "Text4", "/home/utilizador/parametros/y.par");
    ok = save(form, dir, "form1_expanded.png") && ok;

    form.Command5_Click();
    ok = save(*form.information_window(), dir, "form2.png") && ok;

    ok = save_file_dialog(form, dir) && ok;
    tesra::ui::QtDialogs real;
    ok = save_dialog([&] { real.ask(&form, QStringLiteral("O ficheiro /home/utilizador/pontos/funchal_itrf93.txt "
                                                             "já existe. Substituir?")); },
                     dir, "replace_question.png") && ok;

    // A job past its first half second, 40% of the way through its reading.
    ok = save_dialog([&] {
        tesra::ui::JobProgress progress(services, form, [] { return true; });
        QThread::msleep(tesra::ui::JobProgress::show_after_ms + 50);
        while (progress.keep_going(40, 100)) QThread::msleep(tesra::ui::JobProgress::repaint_every_ms);
    }, dir, "progress.png") && ok;
    return ok ? 0 : 1;
}
