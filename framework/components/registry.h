#pragma once

// The read side of the Windows registry, on QSettings.
//
// On Windows it is the registry itself (the 32-bit view, where the suite's desktop
// programs keep their keys). Elsewhere each root key is a text file in INI layout:
//   HKEY_LOCAL_MACHINE  the file named by the host session's registryFile;
//   HKEY_CURRENT_USER   the same name with "-user" before the extension
//                       ("registry.ini" → "registry-user.ini").
// A key is a section named by its full path and each value a "name=value" line, read
// literally (no escapes, so Windows paths and a trailing "\" read as written; one pair of
// surrounding double quotes is dropped). Keys and names match without regard to case:
//   [SOFTWARE\CORVANA\Sistemas Integrados Corvana\WebSrv]
//   ExeFileDir=/opt/suite/
// A file written with QSettings::IniFormat reads too (its %-escaped section names are
// decoded), as long as its values hold no backslash, which that writer doubles.

#include <QString>

#include <memory>

class QSettings;

// The root keys, with the Windows API's values.
enum class TRootKey : unsigned { CurrentUser = 0x80000001u, LocalMachine = 0x80000002u };
inline constexpr TRootKey HKEY_CURRENT_USER = TRootKey::CurrentUser;
inline constexpr TRootKey HKEY_LOCAL_MACHINE = TRootKey::LocalMachine;

class TRegistry {
public:
    TRegistry();
    ~TRegistry();
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    TRootKey RootKey() const { return m_root; }
    void SetRootKey(TRootKey root) { m_root = root; }

    // Opens `key` under the root key for reading; false when it holds no values.
    bool OpenKeyReadOnly(const QString& key);
    void CloseKey();

    // The value `name` of the open key; "" when it (or the key) is missing.
    QString ReadString(const QString& name) const;
    bool ValueExists(const QString& name) const;

    // The file that stands for a root key here (empty on Windows and when the host names
    // no registry file).
    static QString fileOf(TRootKey root);

private:
    TRootKey m_root = HKEY_CURRENT_USER;
    std::unique_ptr<QSettings> m_key;
};
