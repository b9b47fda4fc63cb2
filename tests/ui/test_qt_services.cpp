// The desktop's services as the engine sees them, on real Qt widgets: the
// message box, the busy pointer, the end of the program, the open-file
// dialog of the output box, and the window's question in the user's language
// (ctest runs this under LANG=pt_PT.UTF-8).
#include <functional>

#include <QAbstractButton>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "fakes.hpp"
#include "form1.hpp"
#include "form2.hpp"
#include "qt_services.hpp"
#include "translations.hpp"

namespace {

// Runs `inspect` on the modal dialog that `open` shows, once it is up; the
// inspection must close it.
template <typename Dialog>
bool with_modal(const std::function<void()>& open, const std::function<void(Dialog&)>& inspect) {
    bool seen = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget()); dialog && !seen) {
            seen = true;
            poll.stop();
            inspect(*dialog);
        }
    });
    poll.start(10);
    open();
    return seen;
}

struct ShownBox {
    QString title, text;
    Qt::TextFormat format;
    QMessageBox::Icon icon;
    QList<QAbstractButton*>::size_type buttons;
    QMessageBox::StandardButton first;
    Qt::WindowModality modality;
};

ShownBox show_and_dismiss(tesra::QtServices& services, std::string_view prompt,
                          std::optional<std::string_view> title) {
    ShownBox shown{};
    const bool seen = with_modal<QMessageBox>([&] { services.message_box(prompt, title); },
                                              [&](QMessageBox& box) {
                                                  shown = {box.windowTitle(), box.text(),
                                                           box.textFormat(), box.icon(),
                                                           box.buttons().size(), box.standardButton(box.buttons().front()),
                                                           box.windowModality()};
                                                  QTest::mouseClick(box.buttons().front(), Qt::LeftButton);
                                              });
    if (!seen) shown.title = "<no message box>";
    return shown;
}

}  // namespace

class TestQtServices : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QApplication::setQuitOnLastWindowClosed(false);
        tesra::ui::install_translations(*qApp);
    }

    // The buttons read in Portuguese and Enter takes the default, "Não".
    void question_in_portuguese_defaults_to_no() {
        tesra::ui::QtDialogs dialogs;
        QStringList buttons;
        bool replace = true;
        QVERIFY(with_modal<QMessageBox>([&] { replace = dialogs.ask(nullptr, "Substituir?"); },
                                        [&](QMessageBox& box) {
                                            for (QAbstractButton* button : box.buttons()) buttons << button->text();
                                            QTest::keyClick(&box, Qt::Key_Return);
                                        }));
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"&Não", "&Sim"}));
        QVERIFY(!replace);
        // The file dialog's texts are Qt's own catalogue's.
        QCOMPARE(QCoreApplication::translate("QFileDialog", "File &name:"), "&Nome do Ficheiro:");
    }

    void message_box_is_modal_with_one_ok_button_and_no_icon() {
        QWidget window;
        tesra::QtServices services;
        services.attach(window);
        window.show();

        const ShownBox untitled = show_and_dismiss(services, "Definir o Sistema 1 !!", std::nullopt);
        QCOMPARE(untitled.title, "Tesra_ascii");
        QCOMPARE(untitled.text, "Definir o Sistema 1 !!");
        QCOMPARE(untitled.icon, QMessageBox::NoIcon);
        QCOMPARE(untitled.buttons, 1);
        QCOMPARE(untitled.first, QMessageBox::Ok);
        QCOMPARE(untitled.modality, Qt::ApplicationModal);

        // A path is shown as it is, even when it looks like markup.
        const ShownBox titled = show_and_dismiss(services, "Criado o ficheiro: /tmp/<b>a</b>.txt", "Velmar - Tesra_ascii");
        QCOMPARE(titled.title, "Velmar - Tesra_ascii");
        QCOMPARE(titled.text, "Criado o ficheiro: /tmp/<b>a</b>.txt");
        QCOMPARE(titled.format, Qt::PlainText);
    }

    void busy_pointer_over_the_main_window() {
        QWidget window;
        tesra::QtServices services;
        services.attach(window);
        services.set_pointer(tesra::Pointer::busy);
        QCOMPARE(window.cursor().shape(), Qt::WaitCursor);
        services.set_pointer(tesra::Pointer::busy);
        services.set_pointer(tesra::Pointer::normal);
        QCOMPARE(window.cursor().shape(), Qt::ArrowCursor);
    }

    void end_program_closes_both_windows_and_returns() {
        tesra::QtServices services;
        ScriptedDialogs dialogs;
        tesra::ui::Form1 form(services, dialogs, {}, ',');
        services.attach(form);
        form.show();
        form.Command5_Click();
        QPointer<tesra::ui::Form2> info = form.information_window();
        QVERIFY(info->isVisible());
        services.end_program();
        QVERIFY(!form.isVisible());
        QTRY_VERIFY(info.isNull());
    }

    // The output box's dialog takes a name that does not exist yet, and every
    // dialog opens on the file last chosen.
    void file_dialog_for_the_output_accepts_a_new_name() {
        QTemporaryDir dir;
        const QString preset = dir.filePath("pontos.txt");
        const QString wanted = dir.filePath("novo.txt");
        tesra::ui::QtDialogs dialogs;
        std::optional<QString> chosen;
        QString opened_in;
        const bool seen = with_modal<QFileDialog>(
            [&] { chosen = dialogs.pick(nullptr, preset, true); },
            [&](QFileDialog& dialog) {
                opened_in = dialog.directory().absolutePath();
                auto* name = dialog.findChild<QLineEdit*>("fileNameEdit");
                name->setText(wanted);
                QTest::keyClick(name, Qt::Key_Return);
            });
        QVERIFY(seen);
        QCOMPARE(opened_in, QDir(dir.path()).absolutePath());
        QVERIFY(chosen.has_value());
        QCOMPARE(*chosen, wanted);
    }
};

QTEST_MAIN(TestQtServices)
#include "test_qt_services.moc"
