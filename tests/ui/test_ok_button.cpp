// "OK" through the window: the job gets the texts as they stand, its messages
// reach the user in order, a completed job ends the program, and a job that
// is refused or fails leaves the window exactly as it was.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <thread>

#include <QDir>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "main_window_fixture.hpp"

using Messages = std::vector<Message>;
Q_DECLARE_METATYPE(Messages)

// For QCOMPARE's report of a difference.
char* toString(const Messages& messages) {
    QByteArray text;
    for (const Message& message : messages)
        text += "\n  \"" + QByteArray::fromStdString(message.prompt) + "\" title " +
                (message.title ? "\"" + QByteArray::fromStdString(*message.title) + "\"" : QByteArray("none"));
    return qstrdup(text.isEmpty() ? "(none)" : text.constData());
}

namespace {

Message untitled(const char* prompt) { return {prompt, std::nullopt}; }

// Everything the user can see of the controls.
QStringList snapshot(const MainWindow& window) {
    QStringList state;
    const auto describe = [](const QWidget* widget) {
        return QString("%1 %2 %3,%4 %5x%6")
            .arg(widget->objectName())
            .arg(widget->isVisible() ? "shown" : "hidden")
            .arg(widget->x())
            .arg(widget->y())
            .arg(widget->width())
            .arg(widget->height());
    };
    state << describe(window.form.get());
    for (QWidget* widget : window.control("Page")->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        QString line = describe(widget);
        if (auto* combo = qobject_cast<QComboBox*>(widget))
            line += " [" + entries(combo).join('|') + "] " + combo->currentText();
        if (auto* edit = qobject_cast<QLineEdit*>(widget)) line += " " + edit->text();
        state << line;
    }
    return state;
}

QByteArray read_all(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

bool write_file(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace

class TestOkButton : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }

    void refused_jobs_data() {
        QTest::addColumn<QString>("picked");  // empty: nothing picked
        QTest::addColumn<QString>("typed_source");
        QTest::addColumn<QString>("typed_target");
        QTest::addColumn<bool>("paths");  // input and output filled
        QTest::addColumn<Messages>("expected");
        QTest::newRow("nothing chosen")
            << "" << "" << "" << false
            << Messages{untitled("Definir o Sistema 1 !!"), untitled("Definir o Sistema 2 !!")};
        QTest::newRow("Qualquer without files")
            << "Qualquer" << "" << "" << false
            << Messages{untitled("Escolher o ficheiro ASCII no Sistema 1!!"),
                        untitled("Definir o ficheiro ASCII no Sistema 2!!"),
                        untitled("Definir o ficheiro de parâmetros em X!!"),
                        untitled("Definir o ficheiro de parâmetros em Y!!")};
        QTest::newRow("TM06 leaves the target to the user")
            << "ETRS89 TM06" << "" << "" << true << Messages{untitled("Definir o Sistema 2 !!")};
        // A refusal always says why, after the job's own messages.
        QTest::newRow("typed source the rules do not know")
            << "" << "Madeira" << "" << true
            << Messages{untitled("Definir o Sistema 1 !!"), untitled("Definir o Sistema 2 !!"),
                        untitled("Sistema desconhecido: \"Madeira\". Será \"Madeira - UTM 28 Base SE\"?")};
        QTest::newRow("typed source and target, both misspelt")
            << "" << "datum 73" << "SAO JORGE" << true
            << Messages{untitled("Definir o Sistema 1 !!"),
                        untitled("Sistema desconhecido: \"datum 73\". Será \"Hayford-Gauss Datum 73\"?"),
                        untitled("Sistema desconhecido: \"SAO JORGE\". Será \"Açores - São Jorge - UTM 26 Base SW\"?")};
        QTest::newRow("typed target without a route")
            << "Hayford-Gauss Datum 73" << "" << "UTM 26 ITRF93" << true
            << Messages{untitled("Não há transformação de \"Hayford-Gauss Datum 73\" para \"UTM 26 ITRF93\".")};
        QTest::newRow("typed target no system bears")
            << "Hayford-Gauss Datum 73" << "" << "TM06" << true
            << Messages{untitled("Não há transformação de \"Hayford-Gauss Datum 73\" para \"TM06\"."),
                        untitled("Sistema desconhecido: \"TM06\". Será \"ETRS89 TM06\"?")};
        QTest::newRow("known source the route table does not start from")
            << "" << "UTM 28 ITRF93" << "Madeira - UTM 28 Base SE" << true
            << Messages{untitled("Definir o Sistema 1 !!"),
                        untitled("Não há transformação de \"UTM 28 ITRF93\" para \"Madeira - UTM 28 Base SE\".")};
    }

    void refused_jobs() {
        QFETCH(QString, picked);
        QFETCH(QString, typed_source);
        QFETCH(QString, typed_target);
        QFETCH(bool, paths);
        QFETCH(Messages, expected);
        QTemporaryDir dir;
        MainWindow window;
        if (!picked.isEmpty()) QVERIFY(pick_with_mouse(window.combo("Combo1"), picked));
        if (!typed_source.isEmpty()) type_into(window.combo("Combo1"), typed_source);
        if (!typed_target.isEmpty()) {
            window.combo("Combo2")->clearEditText();
            type_into(window.combo("Combo2"), typed_target);
        }
        if (paths) {
            window.text("Text1")->setText(dir.filePath("pontos.txt"));
            window.text("Text2")->setText(dir.filePath("saida.txt"));
        }
        const QStringList before = snapshot(window);

        QTest::mouseClick(window.button("Command1"), Qt::LeftButton);

        QCOMPARE(window.services.messages, expected);
        QCOMPARE(window.services.end_requests, 0);
        QCOMPARE(snapshot(window), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    }

    void completed_job_writes_report_and_ends_program_data() {
        QTest::addColumn<bool>("by_keyboard");
        QTest::addColumn<char>("separator");
        QTest::addColumn<QByteArray>("point_line");
        QTest::newRow("mouse") << false << ',' << QByteArray("P1            499684,655    4200321,092\r\n");
        QTest::newRow("keyboard") << true << '.' << QByteArray("P1            499684.655    4200321.092\r\n");
    }

    // Pick the source, give the input (browsed with the mouse, typed on the
    // keyboard), type the output, press OK. The folder's name has blanks and
    // accents, which must reach the file system unchanged.
    void completed_job_writes_report_and_ends_program() {
        QFETCH(bool, by_keyboard);
        QFETCH(char, separator);
        QFETCH(QByteArray, point_line);
        QTemporaryDir tmp;
        QDir dir(tmp.path());
        QVERIFY(dir.mkdir("Área de trabalho") && dir.cd("Área de trabalho"));
        const QString input = dir.filePath("pontos.txt");
        const QString output = dir.filePath("pontos itrf93.txt");
        QVERIFY(write_file(input, "P1,500000,4200000\r\n"));
        MainWindow window(separator);

        if (by_keyboard) {
            QVERIFY(QTest::qWaitForWindowActive(window.form.get()));
            const auto press = [](Qt::Key key) { QTest::keyClick(QApplication::focusWidget(), key); };
            QCOMPARE(QApplication::focusWidget(), window.combo("Combo1"));
            for (int i = 0; i < 11; ++i) press(Qt::Key_Down);
            press(Qt::Key_Tab);
            press(Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), input);
            press(Qt::Key_Tab);
            QTest::keyClicks(QApplication::focusWidget(), output);
            press(Qt::Key_Tab);
            press(Qt::Key_Return);
        } else {
            window.dialogs.answers = {input};
            QVERIFY(pick_with_mouse(window.combo("Combo1"), "Madeira - UTM 28 Base SE"));
            QTest::mouseClick(window.button("Command3"), Qt::LeftButton);
            type_into(window.text("Text2"), output);
            QTest::mouseClick(window.button("Command1"), Qt::LeftButton);
        }

        QCOMPARE(window.dialogs.questions, QStringList());  // nothing to replace
        // A mainland point read as Madeira's: done, and said before the file's name.
        const std::string created = "Criado o ficheiro: " + output.toStdString();
        const std::string outside = "1 ponto fora da área de Madeira - UTM 28 Base SE (o primeiro na linha 1: \"P1\", "
                                    "M 500000, P 4200000): confirme o Sistema 1.";
        QCOMPARE(window.services.messages, (Messages{{outside, std::nullopt}, {created, "Velmar - Tesra_ascii"}}));
        QCOMPARE(window.services.end_requests, 1);
        QVERIFY(!window.form->isVisible());
        QVERIFY(!window.services.pointers.empty());
        QCOMPARE(window.services.pointers.front(), tesra::Pointer::busy);
        QCOMPARE(window.services.pointers.back(), tesra::Pointer::normal);
        // The layout of the report is the golden reports' concern.
        const QByteArray report = read_all(output);
        QVERIFY(report.startsWith("Transforma\xE7\xE3o : Madeira - UTM 28 Base SE --> UTM 28 ITRF93\r\n"));
        QVERIFY(report.endsWith("ITRF93\r\n\r\nNome             M             P\r\n\r\n" + point_line));
        // The intermediate files are gone.
        QCOMPARE(dir.entryList(QDir::Files), (QStringList{"pontos itrf93.txt", "pontos.txt"}));
    }

    // A report replaces a user's file only on "Sim"; "Não" leaves the file
    // and the window as they were.
    void existing_output_replaced_only_on_yes_data() {
        QTest::addColumn<bool>("replace");
        QTest::newRow("Não") << false;
        QTest::newRow("Sim") << true;
    }

    void existing_output_replaced_only_on_yes() {
        QFETCH(bool, replace);
        QTemporaryDir dir;
        const QString output = dir.filePath("victim.txt");
        QVERIFY(write_file(dir.filePath("pontos.txt"), "P1,500000,4200000\r\n") && write_file(output, "mine\r\n"));
        MainWindow window;
        window.dialogs.replace = replace;
        QVERIFY(pick_with_mouse(window.combo("Combo1"), "Madeira - UTM 28 Base SE"));
        window.text("Text1")->setText(dir.filePath("pontos.txt"));
        window.text("Text2")->setText(output);
        const QStringList before = snapshot(window);

        QTest::mouseClick(window.button("Command1"), Qt::LeftButton);
        QCOMPARE(window.dialogs.questions, QStringList{"O ficheiro " + output + " já existe. Substituir?"});
        QCOMPARE(window.services.end_requests, replace ? 1 : 0);
        QCOMPARE(read_all(output).startsWith("Transforma"), replace);
        if (!replace) QCOMPARE(snapshot(window), before);
    }

    // The question comes only for a job found sound: an output that is the
    // input is refused without it.
    void no_question_for_a_refused_job() {
        QTemporaryDir dir;
        const QString input = dir.filePath("pontos.txt");
        QVERIFY(write_file(input, "P1,500000,4200000\r\n"));
        MainWindow window;
        QVERIFY(pick_with_mouse(window.combo("Combo1"), "Madeira - UTM 28 Base SE"));
        window.text("Text1")->setText(input);
        window.text("Text2")->setText(input);
        QTest::mouseClick(window.button("Command1"), Qt::LeftButton);
        QVERIFY(window.dialogs.questions.isEmpty());
        QCOMPARE(window.services.messages.size(), std::size_t{1});
        QCOMPARE(read_all(input), QByteArray("P1,500000,4200000\r\n"));
    }

    // A job that fails on a missing input file leaves the window usable, and
    // the next press, with the path put right, completes.
    void failed_job_leaves_window_for_another_attempt() {
        QTemporaryDir dir;
        MainWindow window;
        QVERIFY(pick_with_mouse(window.combo("Combo1"), "Madeira - UTM 28 Base SE"));
        window.text("Text1")->setText(dir.filePath("missing.txt"));
        window.text("Text2")->setText(dir.filePath("saida.txt"));
        const QStringList before = snapshot(window);

        QTest::mouseClick(window.button("Command1"), Qt::LeftButton);
        QCOMPARE(window.services.messages.size(), 1u);
        QVERIFY(window.services.messages[0].prompt.find("missing.txt") != std::string::npos);
        QCOMPARE(window.services.end_requests, 0);
        QCOMPARE(snapshot(window), before);
        QCOMPARE(window.services.pointers.back(), tesra::Pointer::normal);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());

        QVERIFY(write_file(dir.filePath("pontos.txt"), "P1,500000,4200000\r\n"));
        window.text("Text1")->setText(dir.filePath("pontos.txt"));
        QTest::mouseClick(window.button("Command1"), Qt::LeftButton);
        QCOMPARE(window.services.end_requests, 1);
        QVERIFY(QFile::exists(dir.filePath("saida.txt")));
    }

    // A job fed slowly through a pipe runs until "Cancelar" on its progress
    // dialog: no message, the old report as it was, no temporary file, and
    // the window takes the next job.
    void cancel_leaves_nothing() {
        QTemporaryDir dir;
        const QString input = dir.filePath("pontos"), output = dir.filePath("saida.txt");
        QVERIFY(::mkfifo(QFile::encodeName(input).constData(), 0600) == 0 && write_file(output, "old\r\n"));
        std::signal(SIGPIPE, SIG_IGN);
        std::thread feeder([&] {
            const int fd = ::open(QFile::encodeName(input).constData(), O_WRONLY);
            const QByteArray chunk = QByteArray("P1,500000,4200000\r\n").repeated(3500);
            for (int i = 0; i < 2000 && ::write(fd, chunk.constData(), chunk.size()) > 0; ++i) QThread::msleep(5);
            ::close(fd);
        });
        MainWindow window;
        window.dialogs.replace = true;
        QVERIFY(pick_with_mouse(window.combo("Combo1"), "Madeira - UTM 28 Base SE"));
        window.text("Text1")->setText(input);
        window.text("Text2")->setText(output);
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QProgressDialog*>(QApplication::activeModalWidget())) {
                poll.stop();
                QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
            }
        });
        poll.start(20);
        QTest::mouseClick(window.button("Command1"), Qt::LeftButton);
        feeder.join();
        QVERIFY(!poll.isActive());
        QCOMPARE(window.services.messages, Messages{});
        QCOMPARE(read_all(output), QByteArray("old\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"saida.txt"});
        QCOMPARE(window.services.pointers.back(), tesra::Pointer::normal);

        QVERIFY(QFile::remove(input) && write_file(input, "P1,500000,4200000\r\n"));
        QTest::mouseClick(window.button("Command1"), Qt::LeftButton);
        QCOMPARE(window.services.end_requests, 1);
        QVERIFY(read_all(output).startsWith("Transforma"));
    }
};

QTEST_MAIN(TestOkButton)
#include "test_ok_button.moc"
