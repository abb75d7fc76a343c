// Qt warns on stderr when the session has no runtime folder
// (XDG_RUNTIME_DIR, missing under su, cron or a bare container) and picks one
// itself; that says nothing a user of these programs can act on.
#pragma once

namespace telvane {

// Installs a message handler that drops Qt's runtime-folder warnings and
// hands every other message to the handler that was there before. Call it
// before the Qt application object is made.
void QuietQtRuntimeWarnings();

}  // namespace telvane
