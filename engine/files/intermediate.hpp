// The files a job keeps its records in between two routines.
#pragma once

#include <string>

#include "os.hpp"

namespace tesra {

// A private file of the job's own for the records between two routines:
// nameless from the moment it exists, so no other job or user can open,
// overwrite or delete it, and nothing of it survives the process however
// the process ends. Created in `dir` when it can be (and `dir` is not
// empty), else in the system's temporary folder. `name` stands for it in messages.
class Intermediate {
public:
    Intermediate(const std::string& dir, std::string name);
    ~Intermediate();
    Intermediate(const Intermediate&) = delete;
    Intermediate& operator=(const Intermediate&) = delete;
    [[nodiscard]] os::File file() const noexcept { return file_; }
    [[nodiscard]] const std::string& name() const noexcept { return name_; }

private:
    os::File file_ = os::no_file;
    std::string name_;
};

}  // namespace tesra
