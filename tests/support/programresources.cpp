// Tests that make the program's windows, menus and dialogs install its resource tables as the
// program does at start-up, before any test runs.
#include "resources/programtables.h"

namespace {

const bool kInstalled = (res::Install(res::ProgramTables()), true);

}  // namespace
