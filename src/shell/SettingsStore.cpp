#include "SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace shell {

namespace {

QString systemError(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString DefaultSettingsPath() {
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty() || QDir::isRelativePath(folder)) {
        folder = QDir::homePath() + QStringLiteral("/.config");
    }
    return folder + u'/' + QString::fromUtf16(settingsFileName);
}

QString TypeRulesPath(const QString& settingsFile) {
    return QFileInfo(settingsFile).dir().filePath(QStringLiteral("duskferry-types.ini"));
}

SettingsStore::SettingsStore(QString filePath) : filePath_(std::move(filePath)) {}

QString SettingsStore::defaultFor(const QString& key) {
    return key == u"Port" ? QString::fromUtf16(defaultPort) : QString();
}

QString SettingsStore::read(const QString& key) const {
    return read(key, defaultFor(key));
}

bool SettingsStore::contains(const QString& key) const {
    QSettings settings(filePath_, QSettings::IniFormat);
    settings.beginGroup(QString::fromUtf16(settingsSection));
    return settings.contains(key);
}

QString SettingsStore::read(const QString& key, const QString& defaultValue) const {
    // A fresh reader each time: the file is the one copy, and another run of
    // the program may have written it since.
    QSettings settings(filePath_, QSettings::IniFormat);
    settings.beginGroup(QString::fromUtf16(settingsSection));
    const QVariant value = settings.value(key);
    if (!value.isValid()) {
        return defaultValue;
    }
    // Our own writes quote a comma; a file edited by hand may hold one bare,
    // which the INI reader turns into a list.
    if (value.typeId() == QMetaType::QStringList) {
        return value.toStringList().join(u',');
    }
    return value.toString();
}

bool SettingsStore::write(const QString& key, const QString& value) {
    QString reason;
    bool written = prepareFile(reason);
    if (written) {
        QSettings settings(filePath_, QSettings::IniFormat);
        settings.beginGroup(QString::fromUtf16(settingsSection));
        settings.setValue(key, value);
        settings.endGroup();
        settings.sync();
        if (settings.status() != QSettings::NoError) {
            written = false;
            reason = QStringLiteral("the file could not be written");
        }
    }
    if (!written) {
        reportFailure(reason);
    }
    return written;
}

// The file is owner-only before the INI writer touches it (created so, or an
// older file narrowed): the writer replaces the file through a temporary copy
// that takes over the permissions of the file it replaces, so a password is
// never written into a file others can read, even for a moment.
bool SettingsStore::prepareFile(QString& reason) const {
    const QFileInfo info(filePath_);
    if (!QDir().mkpath(info.absolutePath())) {
        reason = QStringLiteral("the folder %1 could not be created").arg(info.absolutePath());
        return false;
    }
    const QByteArray path = QFile::encodeName(filePath_);
    const int fd =
        ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd < 0) {
        if (errno == EEXIST) {
            return restrictToOwner(reason) && ownerMayWrite(reason);
        }
        reason = systemError(errno);
        return false;
    }
    // The umask may have taken the owner's write bit away.
    const bool modeSet = ::fchmod(fd, S_IRUSR | S_IWUSR) == 0;
    const int error = errno;
    ::close(fd);
    if (!modeSet) {
        reason = systemError(error);
    }
    return modeSet;
}

bool SettingsStore::restrictToOwner(QString& reason) const {
    const QByteArray path = QFile::encodeName(filePath_);
    struct stat status {};
    if (::stat(path.constData(), &status) != 0) {
        reason = systemError(errno);
        return false;
    }
    // Only the others' bits go: a file the user made read-only stays so.
    const mode_t ownerOnly = status.st_mode & (S_IRUSR | S_IWUSR);
    if ((status.st_mode & 07777) == ownerOnly) {
        return true;
    }
    if (::chmod(path.constData(), ownerOnly) != 0) {
        reason = systemError(errno);
        return false;
    }
    return true;
}

// A file the user made read-only is left alone, whoever runs the program:
// the INI writer would replace it with a writable copy, and the superuser's
// writes are not held back by the mode.
bool SettingsStore::ownerMayWrite(QString& reason) const {
    struct stat status {};
    if (::stat(QFile::encodeName(filePath_).constData(), &status) != 0) {
        reason = systemError(errno);
        return false;
    }
    if ((status.st_mode & S_IWUSR) == 0) {
        reason = QStringLiteral("the file is read-only");
        return false;
    }
    return true;
}

void SettingsStore::reportFailure(const QString& reason) {
    if (failureReported_) {
        return;
    }
    failureReported_ = true;
    if (onWriteFailure_) {
        onWriteFailure_(QStringLiteral("The login details could not be saved to %1 (%2). The "
                                       "values in the window stay as typed, but they will not "
                                       "be remembered the next time the program starts.")
                            .arg(QDir::toNativeSeparators(filePath_), reason));
    }
}

} // namespace shell
