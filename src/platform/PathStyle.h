#pragma once

// How the file system the program runs on writes, compares and refuses
// names: Unix (case counts, any name but "/" and NUL) or Windows (drive
// letters, case ignored, reserved characters and device names). The rules
// that depend on it take it as a value, so that both kinds are tested on
// every platform.
enum class PathStyle { Unix, Windows };

namespace Platform {

PathStyle pathStyle();

} // namespace Platform
