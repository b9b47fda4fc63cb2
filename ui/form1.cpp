#include "form1.hpp"

#include <algorithm>
#include <utility>
#include <vector>

#include <QCloseEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QShortcut>

#include "form2.hpp"
#include "job_progress.hpp"
#include "pick_combo_box.hpp"
#include "window_job.hpp"
#include "window_setup.hpp"

namespace tesra::ui {

namespace {

QWidget* make_control(const Control& control, QWidget& window) {
    QWidget* widget = nullptr;
    switch (control.kind) {
    case Kind::combo_box:
        widget = new PickComboBox(&window);
        break;
    case Kind::text_box:
        widget = new QLineEdit(&window);
        break;
    case Kind::button: {
        auto* button = new QPushButton(qtext(control.caption), &window);
        // Enter on a focused button presses it, as Space does.
        button->setAutoDefault(true);
        widget = button;
        break;
    }
    case Kind::label: {
        auto* label = new QLabel(qtext(control.caption), &window);
        label->setTextFormat(Qt::PlainText);
        label->setWordWrap(true);
        label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        widget = label;
        break;
    }
    }
    widget->setObjectName(qtext(control.name));
    widget->setGeometry(px(control.left), px(control.top), px(control.width), px(control.height));
    widget->setFont(qfont(control.font));
    if (control.paint != Paint::standard) {
        QPalette palette = widget->palette();
        const QColor ink = qcolor(teal);
        palette.setColor(QPalette::WindowText, ink);
        palette.setColor(QPalette::Text, ink);
        palette.setColor(QPalette::ButtonText, ink);
        if (control.paint == Paint::teal_on_light_face) palette.setColor(QPalette::Base, qcolor(field_face));
        widget->setPalette(palette);
    }
    widget->setVisible(control.shown);
    return widget;
}

template <typename Widget>
Widget* control_named(QWidget& window, std::string_view name) {
    auto* widget = window.findChild<Widget*>(qtext(name), Qt::FindDirectChildrenOnly);
    Q_ASSERT(widget != nullptr);
    return widget;
}

std::string utf8(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

// Paths go to the file system in its own encoding.
std::string local_path(const QString& text) {
    const QByteArray bytes = QFile::encodeName(text);
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

}  // namespace

Form1::Form1(Services& services, Dialogs& dialogs, std::string grid_dir, char decimal_separator,
             QWidget* parent)
    : QWidget(parent, Qt::Window),
      CommonDialog1(dialogs),
      dialogs_(dialogs),
      services_(services),
      grid_dir_(std::move(grid_dir)),
      decimal_separator_(decimal_separator) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(qtext(form1_caption));
    // The controls lie on a page of the design's size, which scrolls only
    // on a screen too short for it (set_outer_height).
    auto* scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("Scroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setFocusPolicy(Qt::NoFocus);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    page_ = new QWidget;
    page_->setObjectName(QStringLiteral("Page"));
    scroll->setWidget(page_);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    vertical_bar_ = scroll->verticalScrollBar();

    for (const Control& control : form1_controls) make_control(control, *page_);
    Combo1 = control_named<PickComboBox>(*page_, "Combo1");
    Combo2 = control_named<PickComboBox>(*page_, "Combo2");
    Text1 = control_named<QLineEdit>(*page_, "Text1");
    Text2 = control_named<QLineEdit>(*page_, "Text2");
    Text3 = control_named<QLineEdit>(*page_, "Text3");
    Text4 = control_named<QLineEdit>(*page_, "Text4");
    for (const FieldLabel& pair : field_labels) {
        auto* label = control_named<QLabel>(*page_, pair.label);
        QWidget* field = control_named<QWidget>(*page_, pair.field);
        label->setBuddy(field);
        field->setAccessibleName(label->text());
    }
    for (const BrowseButton& browse : browse_buttons) {
        QWidget* button = control_named<QWidget>(*page_, browse.button);
        button->setAccessibleName(qtext(browse.name));
        button->setAccessibleDescription(qtext(browse_description) +
                                         control_named<QWidget>(*page_, browse.field)->accessibleName());
    }
    for (std::string_view name : f1_hint_fields) control_named<QWidget>(*page_, name)->setToolTip(qtext(f1_hint));
    // The source list opens whole, with no scrolling to find the last systems.
    Combo1->setMaxVisibleItems(static_cast<int>(source_systems.size()));
    setWindowIcon(application_icon());
    Command1 = control_named<QPushButton>(*page_, "Command1");
    Command2 = control_named<QPushButton>(*page_, "Command2");
    Command3 = control_named<QPushButton>(*page_, "Command3");
    Command4 = control_named<QPushButton>(*page_, "Command4");
    Command5 = control_named<QPushButton>(*page_, "Command5");
    Command6 = control_named<QPushButton>(*page_, "Command6");
    Command7 = control_named<QPushButton>(*page_, "Command7");

    std::vector<const Control*> focusable;
    for (const Control& control : form1_controls)
        if (control.kind != Kind::label) focusable.push_back(&control);
    std::ranges::sort(focusable, {}, &Control::tab_index);
    for (std::size_t i = 1; i < focusable.size(); ++i)
        setTabOrder(control_named<QWidget>(*page_, focusable[i - 1]->name),
                    control_named<QWidget>(*page_, focusable[i]->name));

    connect(Combo1, &PickComboBox::picked, this, &Form1::Combo1_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    // "Informação" stays hidden; the information window is reached by F1.
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, &Form1::Command5_Click);

    Form_Load();
    centre_on_screen(*this, height() + px(design_frame_height));
}

Form1::~Form1() { delete information_.data(); }

Form2* Form1::information_window() const { return information_.data(); }

void Form1::Form_Load() {
    for (std::string_view source : source_systems) Combo1->addItem(qtext(source));
    // Nothing is chosen at start, in either list.
    Combo1->setCurrentIndex(-1);
    Combo1->clearEditText();
    set_outer_height(compact_layout.outer_height);
    // "Informação" keeps its design place until the first pick.
    Command1->move(Command1->x(), px(compact_layout.button_top));
    Command2->move(Command2->x(), px(compact_layout.button_top));
}

void Form1::Combo1_Click() {
    const ChoiceRule* rule = find_choice_rule(utf8(Combo1->currentText()));
    if (rule == nullptr) return;

    Combo2->clear();
    Combo2->clearEditText();
    for (std::size_t i = 0; i < rule->target_count; ++i) Combo2->addItem(qtext(rule->targets[i]));
    // Adding to an empty list selects its first entry; the rule decides instead.
    Combo2->setCurrentIndex(-1);
    if (rule->target_text) {
        const QString text = qtext(*rule->target_text);
        Combo2->setCurrentIndex(Combo2->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive));
        Combo2->setEditText(text);
    }
    apply(rule->layout == Layout::compact ? compact_layout : expanded_layout);
}

void Form1::Command1_Click() {
    const WindowFields fields{
        utf8(Combo1->currentText()), utf8(Combo2->currentText()), local_path(Text1->text()),
        local_path(Text2->text()),   local_path(Text3->text()),   local_path(Text4->text()),
    };
    // A report replaces an existing file only when the user says so, asked
    // once the job has been found sound.
    JobProgress progress(services_, *this, [this, output = Text2->text()] {
        return dialogs_.ask(this, qtext(replace_question(utf8(output))));
    });
    run_window_job(fields, progress, services_, grid_dir_, decimal_separator_);
}

void Form1::Command2_Click() { close(); }

void Form1::Command3_Click() { browse(*Text1, false); }

void Form1::Command4_Click() { browse(*Text2, true); }

void Form1::Command5_Click() {
    if (information_.isNull()) information_ = new Form2;
    information_->show();
    information_->raise();
    information_->activateWindow();
}

void Form1::Command6_Click() { browse(*Text3, false); }

void Form1::Command7_Click() { browse(*Text4, false); }

void Form1::Form_Unload() {
    // Closing the last window ends the program.
    if (!information_.isNull()) information_->close();
}

void Form1::closeEvent(QCloseEvent* event) {
    Form_Unload();
    event->accept();
}

void Form1::apply(const Arrangement& arrangement) {
    set_outer_height(arrangement.outer_height);
    move_bottom_buttons(arrangement.button_top);
    for (std::string_view name : parameter_rows)
        control_named<QWidget>(*page_, name)->setVisible(arrangement.parameter_rows);
}

void Form1::set_outer_height(int twips) {
    const int frame = px(design_frame_height);
    const int client = px(twips) - frame;
    page_->setFixedSize(px(form1_client_width), client);
    // A screen too short for the design (768 lines at twice the scale) gets
    // a window as tall as it has room for (half the design at least), and a
    // scroll bar beside the controls, which stay where they were designed.
    const int shown = std::min(client, std::max(room_for_window(*this) - frame, client / 2));
    const int bar = shown < client ? vertical_bar_->sizeHint().width() : 0;
    setFixedSize(px(form1_client_width) + bar, shown);
    keep_on_screen(*this, shown + frame);
}

void Form1::move_bottom_buttons(int top_twips) {
    for (std::string_view name : bottom_buttons) {
        QWidget* button = control_named<QWidget>(*page_, name);
        button->move(button->x(), px(top_twips));
    }
}

void Form1::browse(QLineEdit& box, bool new_name_allowed) {
    box.setText(CommonDialog1.ShowOpen(this, new_name_allowed));
}

}  // namespace tesra::ui
