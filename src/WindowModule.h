#pragma once

// The window lives in a module of its own, loaded only when no command is given: a command line
// then starts without the window libraries, which took a good part of a short conversion.
namespace WindowModule {

// The module's one entry point: the whole windowed program, given main's arguments. argc stays
// valid for as long as the call runs, as QApplication requires.
using Entry = int (*)(int* argc, char** argv);
inline constexpr char kEntryName[] = "kestruneRunWindow";

} // namespace WindowModule
