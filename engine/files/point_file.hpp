// Everything of point files at once, for code that reads and writes them
// through the routines' loop: the reader, the output files, the
// intermediates, the progress and the loop itself.
#pragma once

#include "files/intermediate.hpp"
#include "files/point_loop.hpp"
#include "files/progress.hpp"
