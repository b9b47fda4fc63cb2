// Services for the desktop program: Qt message boxes, the main window's
// mouse pointer, and closing the main window.
#pragma once

#include <QPointer>
#include <QWidget>

#include "services.hpp"

namespace tesra {

class QtServices final : public Services {
public:
    // The window whose pointer changes, over which messages appear and whose
    // closing ends the program. Until attached, messages have no parent and
    // the pointer and end requests do nothing.
    void attach(QWidget& main_window) { main_window_ = &main_window; }

    // Modal, one OK button, no icon, the text shown as plain text (a path
    // may hold '<').
    void message_box(std::string_view prompt, std::optional<std::string_view> title) override;
    void set_pointer(Pointer pointer) override;
    // Closes the main window; the program ends when control returns to the
    // event loop.
    void end_program() override;

private:
    QPointer<QWidget> main_window_;
};

}  // namespace tesra
