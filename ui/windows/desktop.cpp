#include "desktop.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <optional>
#include <vector>

#include <commctrl.h>
#include <commdlg.h>

#include "choice_rules.hpp"
#include "form_geometry.hpp"
#include "information_text.hpp"
#include "text.hpp"
#include "window_job.hpp"

namespace tesra::ui::win {

namespace {

constexpr int first_id = 100;
constexpr UINT scripted_ok = WM_APP + 1;
constexpr wchar_t form1_class[] = L"TesraForm1";
constexpr wchar_t form2_class[] = L"TesraForm2";
constexpr wchar_t progress_class[] = L"TesraProgress";

COLORREF colour(Rgb rgb) { return RGB(rgb.red, rgb.green, rgb.blue); }

// Design pixels (96 dots per inch) on a monitor of `dpi`.
int scaled(int pixels, UINT dpi) { return MulDiv(pixels, static_cast<int>(dpi), 96); }
int dp(int twips, UINT dpi) { return scaled(px(twips), dpi); }

// One font per design font and scale, made when first asked for.
class Fonts {
public:
    HFONT get(const Font& font, UINT dpi) {
        const auto key = std::make_tuple(font.family, font.points, font.bold, font.italic, dpi);
        if (auto found = fonts_.find(key); found != fonts_.end()) return found->second;
        const std::wstring family = wide(font.family);
        const int height = -static_cast<int>(std::lround(font.points * dpi / 72.0));
        HFONT made = CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, font.italic, FALSE, FALSE,
                                 DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, CLEARTYPE_QUALITY,
                                 DEFAULT_PITCH | FF_SWISS, family.c_str());
        fonts_.emplace(key, made);
        return made;
    }
    ~Fonts() {
        for (auto& [key, font] : fonts_) DeleteObject(font);
    }

private:
    std::map<std::tuple<std::string_view, double, bool, bool, UINT>, HFONT> fonts_;
};

// The outer size of a window of the given client size on its monitor.
SIZE outer_size(int client_width, int client_height, DWORD style, UINT dpi) {
    RECT rect{0, 0, client_width, client_height};
    AdjustWindowRectExForDpi(&rect, style, FALSE, 0, dpi);
    return {rect.right - rect.left, rect.bottom - rect.top};
}

void centre_on_work_area(HWND window, SIZE size) {
    MONITORINFO monitor{sizeof(MONITORINFO), {}, {}, 0};
    GetMonitorInfoW(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    const int left = area.left + std::max(0L, (area.right - area.left - size.cx) / 2);
    const int top = area.top + std::max(0L, (area.bottom - area.top - size.cy) / 2);
    SetWindowPos(window, nullptr, left, top, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE);
}

constexpr DWORD form_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// ------------------------------------------------------------ Form2

class Form2 {
public:
    static void open(HINSTANCE instance, Fonts& fonts) {
        if (window_ != nullptr) {
            ShowWindow(window_, SW_SHOWNORMAL);
            SetForegroundWindow(window_);
            return;
        }
        fonts_ = &fonts;
        window_ = CreateWindowExW(0, form2_class, wide(form2_caption).c_str(), form_style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance, nullptr);
        if (window_ == nullptr) return;
        List1 = CreateWindowExW(WS_EX_CLIENTEDGE, L"LISTBOX", L"",
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY,
                                0, 0, 10, 10, window_, reinterpret_cast<HMENU>(first_id), instance, nullptr);
        for (std::string_view line : information_lines)
            SendMessageW(List1, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(line).c_str()));
        // Current without being selected: the focus selects nothing.
        SendMessageW(List1, LB_SETCARETINDEX, 0, FALSE);
        place(GetDpiForWindow(window_), true);
        ShowWindow(window_, SW_SHOWNORMAL);
        SetFocus(List1);
    }
    static HWND window() { return window_; }
    static void close() {
        if (window_ != nullptr) DestroyWindow(window_);
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        switch (message) {
        case WM_CTLCOLORLISTBOX: {
            const auto dc = reinterpret_cast<HDC>(wparam);
            SetTextColor(dc, colour(form2_list.text));
            SetBkColor(dc, GetSysColor(COLOR_INFOBK));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_INFOBK));
        }
        case WM_DPICHANGED: {
            place(HIWORD(wparam), false);
            const auto* suggested = reinterpret_cast<const RECT*>(lparam);
            SetWindowPos(window, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            return 0;
        }
        case WM_DESTROY:
            window_ = nullptr;
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
        }
    }

private:
    static void place(UINT dpi, bool centre) {
        const SIZE size = outer_size(dp(form2_client_width, dpi), dp(form2_client_height, dpi), form_style, dpi);
        if (centre)
            centre_on_work_area(window_, size);
        else
            SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
        SetWindowPos(List1, nullptr, dp(form2_list.left, dpi), dp(form2_list.top, dpi), dp(form2_list.width, dpi),
                     dp(form2_list.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(List1, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_->get(form2_list.font, dpi)), TRUE);
    }

    static inline HWND window_ = nullptr;
    static inline HWND List1 = nullptr;
    static inline Fonts* fonts_ = nullptr;
};

// ---------------------------------------------------------- progress

// The services of one job: the window's own, and once the job has run for
// half a second a progress window whose "Cancelar" stops it. The job keeps
// the window's thread; between chunks the windows repaint, and the
// progress window, while up, is the only one taking input.
class JobProgress final : public Services {
public:
    JobProgress(Win32Services& services, HWND owner, std::string output)
        : services_(services), owner_(owner), output_(std::move(output)), start_(GetTickCount64()) {}
    ~JobProgress() override { close_dialog(); }
    JobProgress(const JobProgress&) = delete;
    JobProgress& operator=(const JobProgress&) = delete;

    void message_box(std::string_view prompt, std::optional<std::string_view> title) override {
        close_dialog();
        services_.message_box(prompt, title);
    }
    void completion_message(std::string_view prompt, std::string_view title) override {
        close_dialog();
        services_.completion_message(prompt, title);
    }
    void set_pointer(Pointer pointer) override { services_.set_pointer(pointer); }
    void end_program() override {
        close_dialog();
        services_.end_program();
    }
    bool replace_existing(std::string_view) override { return services_.ask(replace_question(output_)); }

    bool keep_going(std::uint64_t bytes_read, std::uint64_t bytes_total) override {
        const ULONGLONG now = GetTickCount64() - start_;
        if (now - events_seen_ < repaint_every_ms) return !cancelled_;
        events_seen_ = now;
        if (dialog_ == nullptr && now >= show_after_ms) open_dialog(bytes_total > 0);
        MSG message;
        if (dialog_ == nullptr) {
            // Before the progress window shields the others: repaints only.
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT)) DispatchMessageW(&message);
            return true;
        }
        if (bytes_total > 0) {
            const double part = static_cast<double>(std::min(bytes_read, bytes_total)) /
                                static_cast<double>(bytes_total);
            SendMessageW(bar_, PBM_SETPOS, static_cast<WPARAM>(part * steps), 0);
        }
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(message.wParam));
                cancelled_ = true;
                break;
            }
            if (!IsDialogMessageW(dialog_, &message)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
        return !cancelled_;
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        auto* self = reinterpret_cast<JobProgress*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        switch (message) {
        case WM_COMMAND:
            if (LOWORD(wparam) == IDCANCEL && self != nullptr) self->cancelled_ = true;
            return 0;
        case WM_CLOSE:  // the close box asks for the cancel as the button does
            if (self != nullptr) self->cancelled_ = true;
            return 0;
        default:
            return DefWindowProcW(window, message, wparam, lparam);
        }
    }

    static constexpr ULONGLONG show_after_ms = 500;
    static constexpr ULONGLONG repaint_every_ms = 40;

private:
    static constexpr int steps = 1000;

    void open_dialog(bool known_total) {
        const HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner_, GWLP_HINSTANCE));
        const UINT dpi = GetDpiForWindow(owner_);
        dialog_ = CreateWindowExW(WS_EX_DLGMODALFRAME, progress_class, wide(application_title).c_str(),
                                  WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0, 10, 10, owner_, nullptr, instance,
                                  nullptr);
        if (dialog_ == nullptr) return;
        SetWindowLongPtrW(dialog_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        const HFONT font = reinterpret_cast<HFONT>(SendMessageW(owner_, WM_GETFONT, 0, 0));
        auto child = [&](const wchar_t* kind, const wchar_t* text, DWORD style, int x, int y, int w, int h, int id) {
            HWND made = CreateWindowExW(0, kind, text, WS_CHILD | WS_VISIBLE | style, scaled(x, dpi), scaled(y, dpi),
                                        scaled(w, dpi), scaled(h, dpi), dialog_,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
            SendMessageW(made, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
            return made;
        };
        child(L"STATIC", L"A transformar o ficheiro ASCII...", SS_LEFT | SS_NOPREFIX, 12, 12, 296, 20, -1);
        bar_ = child(PROGRESS_CLASSW, L"", known_total ? 0 : PBS_MARQUEE, 12, 38, 296, 18, -1);
        if (known_total)
            SendMessageW(bar_, PBM_SETRANGE32, 0, steps);
        else
            SendMessageW(bar_, PBM_SETMARQUEE, TRUE, 0);
        child(L"BUTTON", L"Cancelar", WS_TABSTOP | BS_DEFPUSHBUTTON, 220, 68, 88, 26, IDCANCEL);
        RECT owner_rect;
        GetWindowRect(owner_, &owner_rect);
        const SIZE size = outer_size(scaled(320, dpi), scaled(106, dpi), WS_POPUP | WS_CAPTION | WS_SYSMENU, dpi);
        SetWindowPos(dialog_, nullptr, owner_rect.left + (owner_rect.right - owner_rect.left - size.cx) / 2,
                     owner_rect.top + (owner_rect.bottom - owner_rect.top - size.cy) / 2, size.cx, size.cy,
                     SWP_NOZORDER);
        // Modal to the program: the others take no input until the job ends.
        EnableWindow(owner_, FALSE);
        if (Form2::window() != nullptr) EnableWindow(Form2::window(), FALSE);
        ShowWindow(dialog_, SW_SHOW);
    }

    void close_dialog() {
        if (dialog_ == nullptr) return;
        EnableWindow(owner_, TRUE);
        if (Form2::window() != nullptr) EnableWindow(Form2::window(), TRUE);
        DestroyWindow(dialog_);
        dialog_ = nullptr;
        bar_ = nullptr;
    }

    Win32Services& services_;
    HWND owner_;
    std::string output_;
    ULONGLONG start_;
    ULONGLONG events_seen_ = 0;
    HWND dialog_ = nullptr;
    HWND bar_ = nullptr;
    bool cancelled_ = false;
};

// ------------------------------------------------------------ Form1

class Form1 {
public:
    Form1(HINSTANCE instance, Win32Services& services, std::string grid_dir, char decimal_separator)
        : instance_(instance), services_(services), grid_dir_(std::move(grid_dir)),
          decimal_separator_(decimal_separator) {}

    bool create() {
        window_ = CreateWindowExW(0, form1_class, wide(form1_caption).c_str(), form_style, CW_USEDEFAULT,
                                  CW_USEDEFAULT, 100, 100, nullptr, nullptr, instance_, this);
        if (window_ == nullptr) return false;
        // Created in the table's order: the focusable controls first, in
        // tab order, which is the order Tab follows.
        for (std::size_t i = 0; i < form1_controls.size(); ++i) {
            const Control& control = form1_controls[i];
            const std::wstring caption = wide(control.caption);
            const wchar_t* kind = L"STATIC";
            DWORD style = WS_CHILD | (control.kind == Kind::label ? 0 : WS_TABSTOP);
            DWORD extended = 0;
            switch (control.kind) {
            case Kind::combo_box:
                kind = L"COMBOBOX";
                style |= CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL;
                break;
            case Kind::text_box:
                kind = L"EDIT";
                style |= ES_AUTOHSCROLL;
                extended = WS_EX_CLIENTEDGE;
                break;
            case Kind::button:
                kind = L"BUTTON";
                style |= BS_PUSHBUTTON;
                break;
            case Kind::label:
                style |= SS_LEFT | SS_NOPREFIX;
                break;
            }
            controls_[i] = CreateWindowExW(extended, kind, caption.c_str(), style, 0, 0, 10, 10, window_,
                                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(first_id + i)), instance_,
                                           nullptr);
        }
        SendMessageW(control("Combo1"), CB_SETMINVISIBLE, source_systems.size(), 0);
        SendMessageW(control("Text1"), EM_LIMITTEXT, 0, 0);
        SendMessageW(control("Text2"), EM_LIMITTEXT, 0, 0);
        Form_Load();
        place(GetDpiForWindow(window_), true);
        for (std::size_t i = 0; i < form1_controls.size(); ++i)
            if (form1_controls[i].shown) ShowWindow(controls_[i], SW_SHOWNA);
        ShowWindow(window_, SW_SHOWNORMAL);
        SetFocus(control("Combo1"));
        return true;
    }

    HWND window() const { return window_; }

    void Form_Load() {
        for (std::string_view source : source_systems)
            SendMessageW(control("Combo1"), CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(source).c_str()));
        // Nothing is chosen at start, in either list; "Informação" keeps its
        // design place until the first pick.
        outer_height_ = compact_layout.outer_height;
        top_twips_ = {compact_layout.button_top, compact_layout.button_top, 5760};
    }

    void Combo1_Click() {
        const HWND combo = control("Combo1");
        const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) return;
        std::wstring text(static_cast<std::size_t>(SendMessageW(combo, CB_GETLBTEXTLEN, index, 0)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()))));
        const ChoiceRule* rule = find_choice_rule(utf8(text));
        if (rule == nullptr) return;

        const HWND target = control("Combo2");
        SendMessageW(target, CB_RESETCONTENT, 0, 0);
        SetWindowTextW(target, L"");
        for (std::size_t i = 0; i < rule->target_count; ++i)
            SendMessageW(target, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(rule->targets[i]).c_str()));
        if (rule->target_text) {
            const std::wstring wanted = wide(*rule->target_text);
            SendMessageW(target, CB_SETCURSEL,
                         SendMessageW(target, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                      reinterpret_cast<LPARAM>(wanted.c_str())),
                         0);
            SetWindowTextW(target, wanted.c_str());
        }
        apply(rule->layout == Layout::compact ? compact_layout : expanded_layout);
    }

    void Command1_Click() {
        const WindowFields fields{
            utf8(window_text(control("Combo1"))), utf8(window_text(control("Combo2"))),
            utf8(window_text(control("Text1"))),  utf8(window_text(control("Text2"))),
            utf8(window_text(control("Text3"))),  utf8(window_text(control("Text4"))),
        };
        // A report replaces an existing file only when the user says so,
        // asked once the job has been found sound.
        JobProgress progress(services_, window_, fields.output);
        run_window_job(fields, progress, services_, grid_dir_, decimal_separator_);
    }

    void browse(std::string_view field, bool new_name_allowed) {
        // One dialog for the four buttons: it opens with the path last
        // chosen, and a cancel gives that path back.
        std::wstring buffer = file_name_;
        buffer.resize(std::max<std::size_t>(buffer.size() + 1, 32768), L'\0');
        OPENFILENAMEW dialog{};
        dialog.lStructSize = sizeof(dialog);
        dialog.hwndOwner = window_;
        dialog.lpstrFile = buffer.data();
        dialog.nMaxFile = static_cast<DWORD>(buffer.size());
        dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST |
                       (new_name_allowed ? 0 : OFN_FILEMUSTEXIST);
        if (GetOpenFileNameW(&dialog)) file_name_ = buffer.c_str();
        SetWindowTextW(control(field), file_name_.c_str());
    }

    void fill(const std::vector<std::wstring>& fields) {
        static constexpr std::array<std::string_view, 6> names = {"Combo1", "Combo2", "Text1",
                                                                  "Text2",  "Text3",  "Text4"};
        if (!fields.empty()) {
            const LRESULT index = SendMessageW(control("Combo1"), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                               reinterpret_cast<LPARAM>(fields[0].c_str()));
            SendMessageW(control("Combo1"), CB_SETCURSEL, index, 0);
            Combo1_Click();
        }
        for (std::size_t i = 0; i < std::min(fields.size(), names.size()); ++i)
            SetWindowTextW(control(names[i]), fields[i].c_str());
        PostMessageW(window_, scripted_ok, 0, 0);
    }

    void open_information() { Form2::open(instance_, fonts_); }

    void click(std::string_view name) {
        for (std::size_t i = 0; i < form1_controls.size(); ++i)
            if (form1_controls[i].name == name && form1_controls[i].kind == Kind::button)
                PostMessageW(controls_[i], BM_CLICK, 0, 0);
    }

    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lparam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            static_cast<Form1*>(create->lpCreateParams)->window_ = window;
        }
        auto* self = reinterpret_cast<Form1*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self == nullptr) return DefWindowProcW(window, message, wparam, lparam);
        return self->handle(message, wparam, lparam);
    }

private:
    LRESULT handle(UINT message, WPARAM wparam, LPARAM lparam) {
        switch (message) {
        case WM_COMMAND: {
            // Enter presses the button that has the focus, as Space does.
            if (LOWORD(wparam) == IDOK && HIWORD(wparam) == 0 && lparam == 0) {
                const Control* focused = design_of(GetFocus());
                if (focused != nullptr && focused->kind == Kind::button) SendMessageW(GetFocus(), BM_CLICK, 0, 0);
                return 0;
            }
            const int id = LOWORD(wparam) - first_id;
            const int code = HIWORD(wparam);
            if (id < 0 || id >= static_cast<int>(form1_controls.size())) return 0;
            const std::string_view name = form1_controls[static_cast<std::size_t>(id)].name;
            if (name == "Combo1" && code == CBN_SELCHANGE) Combo1_Click();
            if (code != BN_CLICKED) return 0;
            if (name == "Command1") Command1_Click();
            if (name == "Command2") SendMessageW(window_, WM_CLOSE, 0, 0);
            if (name == "Command3") browse("Text1", false);
            if (name == "Command4") browse("Text2", true);
            if (name == "Command5") open_information();
            if (name == "Command6") browse("Text3", false);
            if (name == "Command7") browse("Text4", false);
            return 0;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
        case WM_CTLCOLORSTATIC: {
            const auto dc = reinterpret_cast<HDC>(wparam);
            auto child = reinterpret_cast<HWND>(lparam);
            // A combo box's text lies in an edit box of its own.
            if (GetParent(child) != window_) child = GetParent(child);
            const Control* design = design_of(child);
            if (design == nullptr || design->paint == Paint::standard)
                return DefWindowProcW(window_, message, wparam, lparam);
            SetTextColor(dc, colour(teal));
            if (design->paint == Paint::teal_text) {
                SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
            }
            SetBkColor(dc, colour(field_face));
            return reinterpret_cast<LRESULT>(field_brush_);
        }
        case scripted_ok:
            // OK, and then the window closes whatever the outcome, so that
            // a scripted run always ends.
            Command1_Click();
            if (IsWindow(window_)) SendMessageW(window_, WM_CLOSE, 0, 0);
            return 0;
        case WM_SETCURSOR:
            if (services_.busy()) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            return DefWindowProcW(window_, message, wparam, lparam);
        case WM_DPICHANGED: {
            place(HIWORD(wparam), false);
            const auto* suggested = reinterpret_cast<const RECT*>(lparam);
            SetWindowPos(window_, nullptr, suggested->left, suggested->top, 0, 0,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOSIZE);
            return 0;
        }
        case WM_CLOSE:
            // Closing the main window ends the program, the information
            // window with it.
            Form2::close();
            DestroyWindow(window_);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(window_, message, wparam, lparam);
        }
    }

    static std::size_t index_of(std::string_view name) {
        for (std::size_t i = 0; i < form1_controls.size(); ++i)
            if (form1_controls[i].name == name) return i;
        return 0;
    }
    HWND control(std::string_view name) const { return controls_[index_of(name)]; }
    const Control* design_of(HWND child) const {
        for (std::size_t i = 0; i < controls_.size(); ++i)
            if (controls_[i] == child) return &form1_controls[i];
        return nullptr;
    }

    void apply(const Arrangement& arrangement) {
        outer_height_ = arrangement.outer_height;
        top_twips_ = {arrangement.button_top, arrangement.button_top, arrangement.button_top};
        for (std::string_view name : parameter_rows)
            ShowWindow(control(name), arrangement.parameter_rows ? SW_SHOWNA : SW_HIDE);
        place(GetDpiForWindow(window_), false);
    }

    // Every control at its design place and font on this monitor, and the
    // window as tall as the arrangement's outer height: its client area is
    // the design's, whatever frame the desktop draws around it.
    void place(UINT dpi, bool centre) {
        const SIZE size = outer_size(dp(form1_client_width, dpi), dp(outer_height_ - design_frame_height, dpi),
                                     form_style, dpi);
        if (centre)
            centre_on_work_area(window_, size);
        else
            SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOMOVE);
        for (std::size_t i = 0; i < form1_controls.size(); ++i) {
            const Control& design = form1_controls[i];
            int top = design.top;
            for (std::size_t b = 0; b < bottom_buttons.size(); ++b)
                if (design.name == bottom_buttons[b]) top = top_twips_[b];
            // A closed drop-down list's height is its text's; the rest is
            // the open list's.
            const int height = design.kind == Kind::combo_box ? dp(design.height, dpi) * 10 : dp(design.height, dpi);
            SetWindowPos(controls_[i], nullptr, dp(design.left, dpi), dp(top, dpi), dp(design.width, dpi), height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
            SendMessageW(controls_[i], WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.get(design.font, dpi)), TRUE);
        }
        SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(fonts_.get(ms_sans_8, dpi)), FALSE);
        InvalidateRect(window_, nullptr, TRUE);
    }

    HINSTANCE instance_;
    Win32Services& services_;
    std::string grid_dir_;
    char decimal_separator_;
    HWND window_ = nullptr;
    std::array<HWND, form1_controls.size()> controls_{};
    int outer_height_ = compact_layout.outer_height;
    std::array<int, 3> top_twips_{};
    std::wstring file_name_;
    Fonts fonts_;
    HBRUSH field_brush_ = CreateSolidBrush(colour(field_face));
};

Form1* form1 = nullptr;

void register_class(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof(window_class);
    window_class.lpfnWndProc = procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconW(instance, L"TESRA");
    window_class.hIconSm = window_class.hIcon;
    window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    window_class.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    window_class.lpszClassName = name;
    RegisterClassExW(&window_class);
}

}  // namespace

bool open_main_window(HINSTANCE instance, Win32Services& services, std::string grid_dir, char decimal_separator) {
    register_class(instance, form1_class, Form1::procedure);
    register_class(instance, form2_class, Form2::procedure);
    register_class(instance, progress_class, JobProgress::procedure);
    static Form1 window(instance, services, std::move(grid_dir), decimal_separator);
    if (!window.create()) return false;
    form1 = &window;
    services.attach(window.window());
    return true;
}

int run_message_loop() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        const HWND root = GetAncestor(message.hwnd, GA_ROOT);
        if (message.message == WM_KEYDOWN && message.wParam == VK_F1 && form1 != nullptr &&
            root == form1->window()) {
            form1->open_information();
            continue;
        }
        if (root != nullptr && IsDialogMessageW(root, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}

void fill_and_press_ok(const std::string& fields) {
    if (form1 == nullptr) return;
    std::vector<std::wstring> parts;
    std::size_t start = 0;
    for (std::size_t bar = fields.find('|'); ; bar = fields.find('|', start)) {
        parts.push_back(wide(std::string_view(fields).substr(start, bar - start)));
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    form1->fill(parts);
}

void click_button(const std::string& name) {
    if (form1 != nullptr) form1->click(name);
}

void open_information_window() {
    if (form1 != nullptr) form1->open_information();
}

}  // namespace tesra::ui::win
