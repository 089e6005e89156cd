#pragma once
// A text or byte value too long to be held in memory: it is read from the
// driver in pieces into a temporary file of its own (unlinked as soon as it
// is made, so the system removes it however the program ends) and written to
// the target in pieces, so that a copy's memory stays the same whatever one
// value's size. The file goes with the last reference to the value.
#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <functional>
#include <memory>

namespace db {

class LongValue {
public:
    // A value past this many bytes is kept in a file.
    static constexpr qint64 threshold = 1 << 20;
    // The pieces it is read and written in.
    static constexpr qint64 pieceBytes = 256 * 1024;

    ~LongValue();
    LongValue(const LongValue&) = delete;
    LongValue& operator=(const LongValue&) = delete;

    bool isBytes() const { return bytes_; }
    // Bytes in the file: the raw bytes, or the text in UTF-8.
    qint64 size() const { return size_; }
    // A text's UTF-16 units and characters; the bytes of a byte value.
    qint64 units() const { return bytes_ ? size_ : units_; }
    qint64 characters() const { return bytes_ ? size_ : characters_; }
    // MD5 of what is in the file: two values of the same kind and size are
    // the same where their digests are.
    const QByteArray& digest() const { return digest_; }

    // MD5 of a byte value's lower-case hex digits, as a text holds them.
    QByteArray hexDigest() const;

    // Hands the file's bytes over in order, in pieces of at most pieceBytes.
    void read(const std::function<void(QByteArrayView)>& take) const;

    // The digest a value held in memory would have as a long value: its
    // text in UTF-8, or the bytes its hex digits stand for.
    static QByteArray digestOf(bool bytes, const QString& text);

private:
    friend class LongValueWriter;
    LongValue() = default;

    int file_ = -1;
    bool bytes_ = false;
    qint64 size_ = 0;
    qint64 units_ = 0;
    qint64 characters_ = 0;
    QByteArray digest_;
};

// Fills one long value piece by piece.
class LongValueWriter {
public:
    explicit LongValueWriter(bool bytes);
    ~LongValueWriter();
    LongValueWriter(const LongValueWriter&) = delete;
    LongValueWriter& operator=(const LongValueWriter&) = delete;

    // Raw bytes, or UTF-8 (a character may be split between two pieces; a
    // text that is not UTF-8 throws once the bad bytes are seen).
    void append(QByteArrayView piece);
    void append(QStringView text);
    std::shared_ptr<const LongValue> finish();

private:
    void write(QByteArrayView piece);

    std::unique_ptr<LongValue> value_;
    QStringDecoder decoder_{QStringDecoder::Utf8};
    QStringEncoder encoder_{QStringEncoder::Utf8};
    struct Hash;
    std::unique_ptr<Hash> hash_;
};

// A temporary file only the user can read, already unlinked; throws db::Error.
int OpenUnlinkedTemporaryFile(const char* purpose);

} // namespace db
