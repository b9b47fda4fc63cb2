#include "form2.hpp"

#include <QListWidget>

#include "form_geometry.hpp"
#include "window_setup.hpp"

namespace tesra::ui {

Form2::Form2(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Form2"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(qtext(form2_caption));
    setWindowIcon(application_icon());
    setFixedSize(px(form2_client_width), px(form2_client_height));

    List1 = new QListWidget(this);
    List1->setObjectName(qtext(form2_list.name));
    List1->setGeometry(px(form2_list.left), px(form2_list.top), px(form2_list.width), px(form2_list.height));
    List1->setFont(qfont(form2_list.font));
    // Long lines are cut at the box's edge, not elided and not scrolled to.
    List1->setTextElideMode(Qt::ElideNone);
    List1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    List1->setSortingEnabled(false);
    QPalette palette = List1->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::ToolTipBase));
    palette.setColor(QPalette::Text, qcolor(form2_list.text));
    List1->setPalette(palette);

    centre_on_screen(*this, height() + px(design_frame_height));
    Form_Load();
}

void Form2::Form_Load() {
    for (std::string_view line : information_lines) List1->addItem(qtext(line));
    // Made current without selecting it, so that gaining the focus does not
    // select the first line either.
    List1->selectionModel()->setCurrentIndex(List1->model()->index(0, 0), QItemSelectionModel::NoUpdate);
}

}  // namespace tesra::ui
