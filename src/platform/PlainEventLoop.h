#pragma once

// Makes the application object run Qt's own event dispatcher rather than
// GLib's; call it before the application object exists. An upload goes
// through the event loop once for every 2000-byte chunk, and GLib's loop adds
// a second wake-up write and its source bookkeeping to every trip. Nothing in
// the program needs GLib's loop: it shows no native dialogs.
void choosePlainEventLoop();
