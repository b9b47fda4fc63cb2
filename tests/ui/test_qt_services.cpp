// The desktop's services as the engine sees them, on real Qt widgets: the
// message box, the busy pointer, the end of the program, the open-file
// dialog of the output box, and the window's question in the user's language
// (ctest runs this under LANG=pt_PT.UTF-8).
#include <functional>
#include <set>
#include <tuple>

#include <QAbstractButton>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTranslator>
#include <QTreeView>

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

// Every text looked up while it is installed (it finds none itself, so the
// catalogues below it answer as usual).
class RecordingTranslator final : public QTranslator {
public:
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
        asked.insert({context, source, disambiguation != nullptr ? disambiguation : "", n});
        return {};
    }
    [[nodiscard]] bool isEmpty() const override { return false; }
    mutable std::set<std::tuple<QByteArray, QByteArray, QByteArray, int>> asked;
};

// Runs `answer` on the next popup menu or modal box that comes up over the
// file dialog, while `open` shows it.
void on_next(const std::function<void()>& open, const std::function<void(QWidget&)>& answer) {
    QWidget* const dialog = QApplication::activeModalWidget();
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* shown = QApplication::activePopupWidget();
        if (shown == nullptr && QApplication::activeModalWidget() != dialog) shown = QApplication::activeModalWidget();
        if (shown == nullptr) return;
        poll.stop();
        answer(*shown);
    });
    poll.start(10);
    open();
}

QModelIndex row_named(QTreeView& view, const QString& name) {
    const QAbstractItemModel& model = *view.model();
    for (int row = 0; row < model.rowCount(view.rootIndex()); ++row)
        if (model.index(row, 0, view.rootIndex()).data().toString() == name) return model.index(row, 0, view.rootIndex());
    return {};
}

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
        tesra::ui::install_translations(*qApp, QLocale(QLocale::Portuguese, QLocale::Portugal));
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

    // Under a Portuguese locale: the view, its context menus, a new folder
    // and the questions before a delete.
    // Every text the dialog looks up is found in Qt's catalogue or the
    // program's, which fills what Qt's lacks.
    void file_dialog_in_portuguese() {
        QTemporaryDir dir;
        QDir folder(dir.path());
        QVERIFY(folder.mkdir("pasta"));
        QFile file(folder.filePath("pontos.txt"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("P1,1,2\r\n") == 8);
        file.close();
        const QList<QTranslator*> catalogues = qApp->findChildren<QTranslator*>();
        RecordingTranslator recorder;
        QCoreApplication::installTranslator(&recorder);
        QStringList shown;  // what the user reads, in the order met
        const auto read_menu = [&](QWidget& popup) {
            for (QAction* action : static_cast<QMenu&>(popup).actions())
                if (!action->isSeparator()) shown << action->text();
            popup.close();
        };
        const auto answer_box = [&](QWidget& box) {
            auto& message = static_cast<QMessageBox&>(box);
            shown << message.windowTitle() << message.text();
            for (QAbstractButton* button : message.buttons()) shown << button->text();
            // "Não" where there is a choice.
            QAbstractButton* no = message.button(QMessageBox::No);
            (no != nullptr ? no : message.buttons().front())->click();
        };
        tesra::ui::QtDialogs dialogs;
        QVERIFY(with_modal<QFileDialog>([&] { dialogs.pick(nullptr, folder.filePath("pontos.txt"), false); },
                                        [&](QFileDialog& dialog) {
            const auto close = qScopeGuard([&] { dialog.reject(); });
            auto* view = dialog.findChild<QTreeView*>("treeView");
            // Each step starts in the view, its window active again.
            const auto in_view = [&] {
                dialog.activateWindow();
                QVERIFY(QTest::qWaitForWindowActive(&dialog));
                view->setFocus();
            };
            in_view();
            QVERIFY(QTest::qWaitFor([&] { return row_named(*view, "pontos.txt").isValid(); }));
            // The kind of a file is gathered on a thread of the model's own,
            // and the rows may be sorted again when it comes.
            QVERIFY(QTest::qWaitFor([&] { return !row_named(*view, "pasta").siblingAtColumn(2).data().toString().isEmpty(); }));
            const QModelIndex pasta = row_named(*view, "pasta");
            for (int column = 0; column < view->model()->columnCount(); ++column) {
                shown << view->model()->headerData(column, Qt::Horizontal).toString();
                shown << pasta.siblingAtColumn(column).data().toString();
            }
            for (QAction* action : view->header()->actions()) shown << action->text();
            on_next([&] { emit view->customContextMenuRequested(view->visualRect(pasta).center()); }, read_menu);
            dialog.findChild<QToolButton*>("newFolderButton")->click();
            // The new folder's name opens for editing once the folder exists.
            QLineEdit* editor = nullptr;
            QVERIFY(QTest::qWaitFor([&] { return (editor = view->viewport()->findChild<QLineEdit*>()) != nullptr; }));
            QTest::keyClick(editor, Qt::Key_Escape);  // keeps the name given
            in_view();
            view->setCurrentIndex(row_named(*view, "pontos.txt"));
            on_next([&] { QTest::keyClick(view, Qt::Key_Delete); }, answer_box);
            for (QWidget* widget : dialog.findChildren<QWidget*>()) {
                if (auto* button = qobject_cast<QAbstractButton*>(widget)) shown << button->text();
                if (auto* label = qobject_cast<QLabel*>(widget)) shown << label->text();
                shown << widget->toolTip() << widget->whatsThis() << widget->accessibleName()
                      << widget->accessibleDescription();
            }
        }));
        QCoreApplication::removeTranslator(&recorder);

        for (const char* text : {"Nome", "Tamanho", "Tipo", "Pasta", "Mostrar Tamanho", "&Nova Pasta",
                                 "Mostrar ficheiros &escondidos", "Apagar", "&Sim", "&Não",
                                 "Tem a certeza de que quer apagar 'pontos.txt'?",
                                 "Ficheiros do tipo:", "Procurar em:", "Lista de locais e marcadores"})
            QVERIFY2(shown.contains(text), text);
        QVERIFY(folder.exists("Nova Pasta"));
        QVERIFY(folder.exists("pontos.txt"));  // the answer was "Não"

        // Key names of shortcuts are looked up but never shown.
        const std::set<QByteArray> unshown = {"QShortcut", "QGuiApplication"};
        QStringList missing;
        for (const auto& [context, source, disambiguation, n] : recorder.asked) {
            if (unshown.contains(context)) continue;
            const bool found = std::any_of(catalogues.begin(), catalogues.end(), [&](const QTranslator* catalogue) {
                return !catalogue->translate(context, source, disambiguation.isEmpty() ? nullptr : disambiguation.data(), n)
                            .isEmpty();
            });
            if (!found) missing << context + " " + source;
        }
        QVERIFY(recorder.asked.size() > 40);
        QVERIFY2(missing.isEmpty(), qPrintable(missing.join('\n')));
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
