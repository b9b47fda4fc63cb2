#include "form2.hpp"

#include <QListWidget>

#include "form_geometry.hpp"
#include "window_setup.hpp"

namespace tesra::ui {

// The web address in line 11 is the organisation's placeholder.
const std::array<std::string_view, 67> information_lines = {
    "                     -----  Mudança de Sistema de Referência em ficheiros DXF  -----",
    "",
    "",
    "As mudanças entre os sistemas de referência são realizadas através de transformações",
    "polinomiais do 2º grau, à excepção das conversões que envolvem o sistema",
    "Hayford-Gauss Datum Lisboa, que são relizadas recorrendo a uma grelha regular",
    "de pontos previamente transformados.",
    "",
    "As transformações presentes na aplicação utilizam os parâmetros oficiais.",
    "Estes parâmetros, assim como as precisões esperadas para cada transformação,",
    "podem ser consultados em www.velmar.example. ",
    "",
    "Os ficheiros de parâmetros solicitados quando é escolhida uma transformação ",
    "genérica deverão possuir o seguinte formato:",
    "",
    " > Para o Ficheiro de Parâmetros - X",
    "",
    "        Descrição do Sistema 1",
    "        Descrição do Sistema 2",
    "        X",
    "        Falsa origem em X no Sistema 1 , Falsa origem em Y no Sistema 1",
    "        Falsa origem em X no Sistema 2 , Falsa origem em Y no Sistema 2",
    "        Const_X, Const_Y",
    "        coef_m (0)",
    "        coef_m (1)",
    "        coef_m (2)",
    "        coef_m (3)",
    "        coef_m (4)",
    "        coef_m (5)",
    "",
    " > Para o Ficheiro de Parâmetros - Y",
    "",
    "        Descrição do Sistema 1",
    "        Descrição do Sistema 2",
    "        Y",
    "        Falsa origem em X no Sistema 1 , Falsa origem em Y no Sistema 1",
    "        Falsa origem em X no Sistema 2 , Falsa origem em Y no Sistema 2",
    "        Const_X, Const_Y",
    "        coef_p (0)",
    "        coef_p (1)",
    "        coef_p (2)",
    "        coef_p (3)",
    "        coef_p (4)",
    "        coef_p (5)",
    "",
    "Em que:",
    "",
    "m_inicial2 = (m_inicial - Falsa origem em X no Sistema 1) / Const_X",
    "",
    "m_final = (coef_m(0) + coef_m(1) * m_inicial2 + coef_m(2) * p_inicial2 +",
    "                + coef_m(3) * m_inicial2 ^ 2 + coef_m(4) * m_inicial2 * p_inicial2 +",
    "                + coef_m(5) * p_inicial2 ^ 2)",
    "",
    "m_final = m_final + Falsa origem em X no Sistema 2",
    "",
    "------------------------------------------------------------",
    "",
    "p_inicial2 = (p_inicial - Falsa origem em Y no Sistema 1) / const_Y",
    "",
    "p_final = (coef_p(0) + coef_p(1) * m_inicial2 + coef_p(2) * p_inicial2 +",
    "                + coef_p(3) * m_inicial2 ^ 2 + coef_p(4) * m_inicial2 * p_inicial2 +",
    "                + coef_p(5) * p_inicial2 ^ 2)",
    "",
    "p_final = p_final + Falsa origem em Y no Sistema 2",
    "",
    "",
    "",
};

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
