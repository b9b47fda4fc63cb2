// The two windows as designed: every control with its twips, font, colours,
// tab index and visibility at start. The windows turn each row into a widget,
// so this file can be held next to the design and checked line by line.
#pragma once

#include <array>
#include <string_view>

namespace tesra::ui {

// Design units: 1/1440 inch, 15 to a logical pixel at 96 dots per inch.
// Qt scales logical pixels on high-density screens itself.
inline constexpr int twips_per_pixel = 15;

// Twips to logical pixels, to the nearest pixel (halves up; all design values
// are positive).
constexpr int px(int twips) { return (twips + twips_per_pixel / 2) / twips_per_pixel; }

enum class Kind { combo_box, text_box, button, label };

// Design font names; the windows map them to installed, metric-compatible
// families through font_substitutes below.
struct Font {
    std::string_view family;
    double points;
    bool bold;
    bool italic;
};

inline constexpr Font ms_sans_8 {"MS Sans Serif", 8.25, true, false};
inline constexpr Font ms_sans_9 {"MS Sans Serif", 9.75, true, false};
inline constexpr Font microsoft_sans_12 {"Microsoft Sans Serif", 12.75, true, false};
inline constexpr Font arial_8 {"Arial", 8.25, false, false};
inline constexpr Font arial_8_bold {"Arial", 8.25, true, false};
inline constexpr Font arial_9_bold {"Arial", 9, true, false};
inline constexpr Font arial_9_bold_italic {"Arial", 9, true, true};
inline constexpr Font arial_9_75_bold {"Arial", 9.75, true, false};

struct FontSubstitute {
    std::string_view design;
    std::string_view installed;  // Debian's fonts-liberation
};

inline constexpr std::array font_substitutes = {
    FontSubstitute{"MS Sans Serif", "Liberation Sans"},
    FontSubstitute{"Microsoft Sans Serif", "Liberation Sans"},
    FontSubstitute{"Arial", "Liberation Sans"},
};

enum class Paint {
    standard,            // the platform's colours
    teal_on_light_face,  // teal text on the light 3-D face colour
    teal_text,           // teal text, standard background
};

struct Rgb {
    int red, green, blue;
};
inline constexpr Rgb teal {0, 128, 128};
// Behind the editable fields. The grey of the design's light 3-D face, darker
// than the window, made the fields look disabled and gave teal text a
// contrast of 2.9:1; this is the lightest face of the classic schemes, on
// which teal reads at 4.65:1.
inline constexpr Rgb field_face {252, 252, 252};
inline constexpr Rgb navy {0, 0, 128};

struct Control {
    std::string_view name;  // member and objectName
    Kind kind;
    std::string_view caption;  // UTF-8; empty for boxes
    int left, top, width, height;  // twips from the client area's corner
    Font font;
    int tab_index;
    bool shown;
    Paint paint;
};

using enum Kind;
using enum Paint;

// Main window, focusable controls in tab order, then the labels.
inline constexpr std::array form1_controls = {
    //      name        kind       caption          left   top  width height font                tab  shown  paint
    Control{"Combo1",   combo_box, "",               480, 1560, 4095,  315, ms_sans_8,            0, true,  teal_on_light_face},
    Control{"Combo2",   combo_box, "",              4800, 1560, 4095,  315, ms_sans_8,            1, true,  teal_on_light_face},
    Control{"Text1",    text_box,  "",               480, 2640, 6735,  350, arial_9_bold,         2, true,  teal_on_light_face},
    Control{"Text2",    text_box,  "",               480, 3720, 6735,  350, arial_9_bold,         3, true,  teal_on_light_face},
    Control{"Command1", button,    "OK",            1200, 5760, 1575,  495, ms_sans_8,            4, true,  standard},
    Control{"Command2", button,    "Cancelar",      4560, 5760, 1575,  495, ms_sans_8,            5, true,  standard},
    Control{"Command3", button,    "Procurar...",   7320, 2610, 1575,  400, ms_sans_8,            6, true,  standard},
    Control{"Command4", button,    "Procurar...",   7320, 3690, 1575,  400, ms_sans_8,            7, true,  standard},
    Control{"Command5", button,    "Informação",    7320, 5760, 1215,  495, arial_9_bold_italic, 13, false, standard},
    Control{"Command6", button,    "Procurar...",   7320, 4410, 1215,  350, arial_8_bold,        14, false, standard},
    Control{"Text3",    text_box,  "",               480, 4440, 6735,  285, arial_8,             15, false, teal_on_light_face},
    Control{"Text4",    text_box,  "",               480, 5040, 6735,  285, arial_8,             17, false, teal_on_light_face},
    Control{"Command7", button,    "Procurar...",   7320, 5010, 1215,  350, arial_8_bold,        18, false, standard},
    Control{"Label1",   label,     "Sistema 1",      480, 1200, 1695,  255, ms_sans_9,            8, true,  standard},
    Control{"Label2",   label,     "Sistema 2",     4800, 1200, 1695,  255, ms_sans_9,            9, true,  standard},
    Control{"Label3",   label,     "Mudança de Sistema de Referência em ficheiros de texto - ASCII",
                                                     480,  360, 8415,  735, microsoft_sans_12,   10, true,  teal_text},
    Control{"Label4",   label,     "Ficheiro ASCII no Sistema 1  ( Formato : Nome , M , P )",
                                                     480, 2280, 5775,  255, ms_sans_9,           11, true,  standard},
    Control{"Label5",   label,     "Ficheiro ASCII no Sistema 2",
                                                     480, 3360, 2895,  255, ms_sans_9,           12, true,  standard},
    Control{"Label6",   label,     "Ficheiro de Parâmetros - X",
                                                     480, 4200, 2775,  255, arial_9_bold,        16, false, standard},
    Control{"Label7",   label,     "Ficheiro de Parâmetros - Y",
                                                     480, 4800, 2775,  255, arial_9_bold,        19, false, standard},
};
static_assert(form1_controls.size() == 20);

inline constexpr std::string_view form1_caption = "Velmar - Orvalis";
inline constexpr int form1_client_width = 9285;
inline constexpr int form1_design_client_height = 6510;

// The heights the window is given are outer heights: title bar and borders
// included. The frame they assume is the one of the design itself, whose
// client area of 6510 twips is what remains of the expanded 7065: 555 twips
// (37 pixels). Using the design's frame rather than the one a desktop
// happens to draw keeps the client area, and so every control, exactly as
// designed whatever the window manager does.
inline constexpr int design_frame_height = 7065 - form1_design_client_height;

struct Arrangement {
    int outer_height;  // twips
    int button_top;    // of "OK", "Cancelar" and "Informação"
    bool parameter_rows;
};

inline constexpr Arrangement compact_layout {5765, 4460, false};
inline constexpr Arrangement expanded_layout {7065, 5760, true};

// Each field with the label that names it to assistive technology.
struct FieldLabel {
    std::string_view field, label;
};
inline constexpr std::array<FieldLabel, 6> field_labels = {{
    {"Combo1", "Label1"}, {"Combo2", "Label2"}, {"Text1", "Label4"},
    {"Text2", "Label5"},  {"Text3", "Label6"},  {"Text4", "Label7"},
}};

// The four "Procurar..." buttons look alike; to assistive technology each
// says which file it looks for, and its description names the field that
// receives the path.
struct BrowseButton {
    std::string_view button, field, name;
};
inline constexpr std::array<BrowseButton, 4> browse_buttons = {{
    {"Command3", "Text1", "Procurar o ficheiro no Sistema 1"},
    {"Command4", "Text2", "Procurar o ficheiro no Sistema 2"},
    {"Command6", "Text3", "Procurar o ficheiro de parâmetros - X"},
    {"Command7", "Text4", "Procurar o ficheiro de parâmetros - Y"},
}};
inline constexpr std::string_view browse_description = "Abre a janela de ficheiros e põe o escolhido em: ";

// The fields whose meaning the information window explains: the systems and
// the parameter files.
inline constexpr std::array<std::string_view, 4> f1_hint_fields = {"Combo1", "Combo2", "Text3", "Text4"};
inline constexpr std::string_view f1_hint =
    "F1: informação sobre as transformações e o formato dos ficheiros de parâmetros";

// Moved by the arrangements.
inline constexpr std::array<std::string_view, 3> bottom_buttons = {"Command1", "Command2", "Command5"};
// Shown and hidden by the arrangements, in this order.
inline constexpr std::array<std::string_view, 6> parameter_rows = {
    "Label6", "Text3", "Command6", "Label7", "Text4", "Command7"};

// Information window: one list box.
inline constexpr std::string_view form2_caption = "Velmar - Orvalis";
inline constexpr int form2_client_width = 8925;
inline constexpr int form2_client_height = 3690;

struct ListBox {
    std::string_view name;
    int left, top, width, height;
    Font font;
    Rgb text;  // on the tooltip background
};

inline constexpr ListBox form2_list {"List1", 120, 120, 8715, 3420, arial_9_75_bold, navy};

}  // namespace tesra::ui
