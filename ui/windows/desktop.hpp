// The two windows drawn with Windows' own controls from the same control
// table as the Qt program, at the monitor's scale (twips to pixels at 96
// dots per inch, then to the monitor's dots).
#pragma once

#include <string>

#include <windows.h>

#include "win32_services.hpp"

namespace tesra::ui::win {

// Opens the main window; false when Windows refused to make it.
// grid_dir and decimal_separator are handed to the job as they are.
bool open_main_window(HINSTANCE instance, Win32Services& services, std::string grid_dir, char decimal_separator);

// The message loop: Tab and Enter in both windows, F1 in the main one.
int run_message_loop();

// What a scripted run does once the window is up: picks the systems and
// fills the paths (fields separated by '|', as Combo1|Combo2|Text1|Text2
// and optionally |Text3|Text4), presses OK and closes the window once the
// job is over; or opens the information window; or clicks a button of the
// control table by name (Command3 opens the file dialog).
void fill_and_press_ok(const std::string& fields);
void open_information_window();
void click_button(const std::string& name);

}  // namespace tesra::ui::win
