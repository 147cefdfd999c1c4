#pragma once

// The host's login to the application server: it checks the user's password before the
// host opens, and it is where the login's branches come from. A file the clerk can edit
// does not decide them.

struct HostSession;

// Logs in with the session's login, password, address and TLS settings, and fills the
// session's branches (FiliProc, FiliProcFat, their names, ModuFili) from the server's
// answer. Raises ELoginRefused for a refused login and ENetError when the server cannot
// be reached or its certificate is not the expected one.
void logInToServer(HostSession& session, int timeoutMs);

// Asks for the user and password in the login window until the server accepts them (the
// refusal is shown in the window) and fills the session as logInToServer does. Cancelling
// raises the silent abort.
void logInInteractively(HostSession& session, int timeoutMs);
