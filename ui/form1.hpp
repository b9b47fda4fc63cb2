// The main window: the two system lists, the four paths and the buttons.
// Its handlers only gather the texts and hand them on; the rules for the
// lists are in choice_rules.hpp and the job is the engine's.
#pragma once

#include <string>

#include <QPointer>
#include <QWidget>

#include "choice_rules.hpp"
#include "common_dialog.hpp"
#include "form_geometry.hpp"
#include "services.hpp"

class QLineEdit;
class QPushButton;

namespace tesra::ui {

class Form2;
class PickComboBox;

class Form1 final : public QWidget {
    Q_OBJECT

public:
    // services: messages, pointer and the end of the program for the job.
    // dialogs: the shared file dialog and the window's question. grid_dir and
    // decimal_separator are handed to the job as they are.
    Form1(Services& services, Dialogs& dialogs, std::string grid_dir, char decimal_separator,
          QWidget* parent = nullptr);
    ~Form1() override;

    // The information window while it is open, else nullptr.
    [[nodiscard]] Form2* information_window() const;

public slots:
    void Form_Load();
    void Combo1_Click();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Form_Unload();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void apply(const Arrangement& arrangement);
    void set_outer_height(int twips);
    void move_bottom_buttons(int top_twips);
    void browse(QLineEdit& box, bool new_name_allowed);

    QWidget* page_;  // the controls' parent
    QWidget* vertical_bar_;
    PickComboBox* Combo1;
    PickComboBox* Combo2;
    QLineEdit* Text1;
    QLineEdit* Text2;
    QLineEdit* Text3;
    QLineEdit* Text4;
    QPushButton* Command1;
    QPushButton* Command2;
    QPushButton* Command3;
    QPushButton* Command4;
    QPushButton* Command5;
    QPushButton* Command6;
    QPushButton* Command7;
    CommonDialog CommonDialog1;
    Dialogs& dialogs_;

    Services& services_;
    std::string grid_dir_;
    char decimal_separator_;
    QPointer<Form2> information_;
};

}  // namespace tesra::ui
