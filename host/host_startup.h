#pragma once

// The host's run: the session (a login from the settings file, or the demo), the main
// window, the event loop.

struct HostOptions;

// Starts the session as the options say, shows the main window (in the demo it then opens
// the billing calculation module) and runs the event loop; returns the exit code. A
// session that cannot be started is shown as a message and gives exit code 1.
int runHost(const HostOptions& options);
