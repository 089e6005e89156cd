#pragma once
// The per-user store of the two logins: an INI file "Quorvane.ini" in the
// user's configuration folder, section "Duskferry", one text value per key.
// Every write goes to disk at once, so a crash never loses an edit and no
// second copy of a login lives in memory. The file holds both passwords in
// clear, so it is kept readable and writable by its owner only.
#include <QString>
#include <functional>

namespace shell {

inline constexpr char16_t settingsFileName[] = u"Quorvane.ini";
inline constexpr char16_t settingsSection[] = u"Duskferry";
inline constexpr char16_t defaultPort[] = u"50069";

// $XDG_CONFIG_HOME/Quorvane.ini, or ~/.config/Quorvane.ini when the variable
// is unset, empty or not an absolute path.
QString DefaultSettingsPath();
// The user's column type rules, beside the logins' file (kernel/TypeRules.h).
QString TypeRulesPath(const QString& settingsFile);

class SettingsStore {
public:
    explicit SettingsStore(QString filePath = DefaultSettingsPath());

    const QString& filePath() const { return filePath_; }

    // The stored text, exactly as written; the default only when the key is
    // absent (a key holding empty text reads as empty text).
    QString read(const QString& key, const QString& defaultValue) const;
    // The same with the key's own default: "50069" for "Port", empty text otherwise.
    QString read(const QString& key) const;
    static QString defaultFor(const QString& key);
    // Whether the file holds the key at all (empty text counts as held).
    bool contains(const QString& key) const;

    // Stores the text under the key and writes the file through. False when
    // the file could not be written; the first such failure is passed to the
    // failure handler, later ones are not (the user has been told).
    bool write(const QString& key, const QString& value);

    // Receives a message fit to show the user.
    void setWriteFailureHandler(std::function<void(const QString& message)> handler) {
        onWriteFailure_ = std::move(handler);
    }

private:
    bool prepareFile(QString& reason) const;
    bool restrictToOwner(QString& reason) const;
    bool ownerMayWrite(QString& reason) const;
    void reportFailure(const QString& reason);

    QString filePath_;
    std::function<void(const QString&)> onWriteFailure_;
    bool failureReported_ = false;
};

} // namespace shell
