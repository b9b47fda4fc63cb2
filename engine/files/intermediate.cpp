#include "files/intermediate.hpp"

#include "text/errors.hpp"

namespace tesra {

Intermediate::Intermediate(const std::string& dir, std::string name) : name_(std::move(name)) {
    if (!dir.empty()) file_ = os::create_nameless(dir);
    if (file_ == os::no_file) file_ = os::create_nameless(os::temporary_folder());
    if (file_ == os::no_file) throw open_error(os::join(dir, name_), os::last_error(), true);
}

Intermediate::~Intermediate() { os::close(file_); }

}  // namespace tesra
