#include "LongValue.h"

#include "Error.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace db {

namespace {

[[noreturn]] void fail(const char* purpose, const char* what) {
    throw Error(QStringLiteral("Temporary %1 file: %2: %3")
                    .arg(QLatin1String(purpose), QLatin1String(what),
                         QString::fromLocal8Bit(std::strerror(errno))));
}

qint64 lowSurrogatesIn(QStringView text) {
    return std::count_if(text.begin(), text.end(), [](QChar c) { return c.isLowSurrogate(); });
}

} // namespace

int OpenUnlinkedTemporaryFile(const char* purpose) {
    QByteArray pattern = QFile::encodeName(QDir::tempPath() + QStringLiteral("/duskferry-") +
                                           QLatin1String(purpose) + QStringLiteral("-XXXXXX"));
    const int file = ::mkstemp(pattern.data()); // created 0600
    if (file < 0) {
        fail(purpose, "create");
    }
    ::unlink(pattern.constData());
    return file;
}

LongValue::~LongValue() {
    if (file_ >= 0) {
        ::close(file_);
    }
}

void LongValue::read(const std::function<void(QByteArrayView)>& take) const {
    QByteArray piece(qsizetype(std::min(pieceBytes, std::max<qint64>(size_, 1))),
                     Qt::Uninitialized);
    for (qint64 at = 0; at < size_;) {
        const ssize_t got = ::pread(file_, piece.data(),
                                    std::size_t(std::min<qint64>(piece.size(), size_ - at)), at);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got == 0) {
                errno = EIO;
            }
            fail("value", "read");
        }
        take(QByteArrayView(piece.constData(), got));
        at += got;
    }
}

QByteArray LongValue::hexDigest() const {
    QCryptographicHash md5(QCryptographicHash::Md5);
    read([&](QByteArrayView piece) { md5.addData(piece.toByteArray().toHex()); });
    return md5.result();
}

QByteArray LongValue::digestOf(bool bytes, const QString& text) {
    return QCryptographicHash::hash(bytes ? QByteArray::fromHex(text.toLatin1()) : text.toUtf8(),
                                    QCryptographicHash::Md5);
}

struct LongValueWriter::Hash {
    QCryptographicHash md5{QCryptographicHash::Md5};
};

LongValueWriter::LongValueWriter(bool bytes)
    : value_(new LongValue), hash_(std::make_unique<Hash>()) {
    value_->bytes_ = bytes;
    value_->file_ = OpenUnlinkedTemporaryFile("value");
}

LongValueWriter::~LongValueWriter() = default;

void LongValueWriter::write(QByteArrayView piece) {
    hash_->md5.addData(piece);
    for (qsizetype done = 0; done < piece.size();) {
        const ssize_t n = ::pwrite(value_->file_, piece.data() + done,
                                   std::size_t(piece.size() - done), value_->size_);
        if (n <= 0) {
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n == 0) {
                errno = ENOSPC;
            }
            fail("value", "write");
        }
        done += n;
        value_->size_ += n;
    }
}

void LongValueWriter::append(QByteArrayView piece) {
    if (!value_->bytes_) {
        const QString text = decoder_.decode(piece);
        if (decoder_.hasError()) {
            throw Error(QStringLiteral("The driver gave a text that is not UTF-8"));
        }
        value_->units_ += text.size();
        value_->characters_ += text.size() - lowSurrogatesIn(text);
    }
    write(piece);
}

void LongValueWriter::append(QStringView text) {
    value_->units_ += text.size();
    value_->characters_ += text.size() - lowSurrogatesIn(text);
    // A pair split between two pieces is whole again in the encoder's state.
    const QByteArray utf8 = encoder_.encode(text);
    write(utf8);
}

std::shared_ptr<const LongValue> LongValueWriter::finish() {
    if (!value_->bytes_) {
        decoder_.decode(QByteArrayView());
        if (decoder_.hasError()) {
            throw Error(QStringLiteral("The driver gave a text that is not UTF-8"));
        }
    }
    value_->digest_ = hash_->md5.result();
    return std::shared_ptr<const LongValue>(value_.release());
}

} // namespace db
