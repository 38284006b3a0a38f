#pragma once

namespace ratelark {

// Makes the folders the environment names usable before anything reads it,
// children included: HOME, when unset or not an absolute path, becomes the
// password database's home directory (else the settings and caches land at
// /), and an XDG_*_HOME or XDG_RUNTIME_DIR that is not absolute is removed,
// as the XDG base directory rules say such a value is to be ignored.
void settleUserFolders();

}  // namespace ratelark
