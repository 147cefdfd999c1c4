// The Qt headers nearly every source of the project reads, compiled once per build. Qt
// Test stays out: its headers depend on a macro every test folder defines its own way. The
// guards keep the text valid for a target that does not see every Qt module (it then
// uses the compiled form, which does not need them).
#include <QtCore>
#if __has_include(<QtGui>)
#include <QtGui>
#endif
#if __has_include(<QtNetwork>)
#include <QtNetwork>
#endif
#if __has_include(<QtSql>)
#include <QtSql>
#endif
#if __has_include(<QtWidgets>)
#include <QtWidgets>
#endif
