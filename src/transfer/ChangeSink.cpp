#include "ChangeSink.h"

#include "kernel/ChangeStatements.h"
#include "shell/Interrupt.h"

#include <algorithm>
#include <iterator>

namespace transfer {

using namespace kernel;

namespace {

// Each set of columns changed has an UPDATE of its own, and each holds a
// statement handle and a thread: past so many, a change goes on its own.
constexpr std::size_t mostShapes = 16;

bool holdsLongValue(const std::vector<db::Value>& values) {
    return std::any_of(values.begin(), values.end(),
                       [](const db::Value& v) { return v.longValue() != nullptr; });
}

} // namespace

struct ChangeSink::Shape {
    Kind kind = Kind::Insert;
    std::vector<std::size_t> columns;
    QString sql;
    std::optional<db::BulkInsert> bulk;
};

ChangeSink::ChangeSink(const SinkContext& context, QStringList columns,
                       std::vector<std::size_t> key,
                       std::optional<std::vector<db::BulkInsert::Binding>> bindings, int batchSize,
                       bool hold)
    : c_(context), columns_(std::move(columns)), key_(std::move(key)),
      bindings_(std::move(bindings)), batchSize_(std::size_t(std::max(1, batchSize))), hold_(hold),
      budget_(LiteralBudget(context.target.profile().literalLimits, int(columns_.size()))) {}

// The arrays go first: what they have not committed is rolled back, and the
// target's autocommit is on again.
ChangeSink::~ChangeSink() = default;

void ChangeSink::insert(std::vector<db::Value> row, qint64 tag) {
    add({Kind::Insert, {}, std::move(row), tag});
}

void ChangeSink::update(std::vector<std::size_t> changed, std::vector<db::Value> values,
                        std::vector<db::Value> key, qint64 tag) {
    values.insert(values.end(), std::make_move_iterator(key.begin()),
                  std::make_move_iterator(key.end()));
    add({Kind::Update, std::move(changed), std::move(values), tag});
}

void ChangeSink::remove(std::vector<db::Value> key, qint64 tag) {
    add({Kind::Delete, {}, std::move(key), tag});
}

void ChangeSink::add(Change change) {
    if (!bindings_ && !hold_) {
        sendAlone(change);
        return;
    }
    pending_.push_back(std::move(change));
}

void ChangeSink::betweenRows() {
    if (!hold_ && pending_.size() >= batchSize_) {
        sendBatch();
    }
}

void ChangeSink::settle() {
    while (!pending_.empty()) {
        sendBatch();
    }
    shapes_.clear();
}

void ChangeSink::sendBatch() {
    const auto end = pending_.begin() + std::ptrdiff_t(std::min(pending_.size(), batchSize_));
    std::vector<Change> batch(std::make_move_iterator(pending_.begin()),
                              std::make_move_iterator(end));
    pending_.erase(pending_.begin(), end);
    if (bindings_) {
        sendArrays(batch);
        return;
    }
    for (const Change& change : batch) {
        sendAlone(change);
    }
}

void ChangeSink::sendArrays(std::vector<Change>& changes) {
    std::vector<const Change*> alone;
    for (Change& change : changes) {
        // NULL matches no "?", and a value too long for memory has no place
        // in an array.
        const bool keyBindable =
            change.kind == Kind::Insert ||
            std::none_of(change.values.end() - std::ptrdiff_t(key_.size()), change.values.end(),
                         [](const db::Value& v) { return v.isNull() || v.text().isEmpty(); });
        Shape* shape = keyBindable && !holdsLongValue(change.values) ? shapeOf(change) : nullptr;
        if (shape == nullptr) {
            alone.push_back(&change);
            continue;
        }
        shape->bulk->add(std::move(change.values), change.tag);
        if (shape->bulk->full()) {
            sendArray(*shape);
        }
    }
    // Deletes first, so that a row's unique values are free for the next.
    for (auto& [kind, shape] : shapes_) {
        if (shape->bulk && shape->bulk->hasPending()) {
            sendArray(*shape);
        }
    }
    if (!alone.empty()) {
        setAutocommit(true);
        for (const Change* change : alone) {
            sendAlone(*change);
        }
        setAutocommit(false);
    }
}

ChangeSink::Shape* ChangeSink::shapeOf(const Change& change) {
    ShapeKey key{change.kind, change.columns};
    if (const auto found = shapes_.find(key); found != shapes_.end()) {
        return found->second->bulk ? found->second.get() : nullptr;
    }
    if (shapes_.size() >= mostShapes) {
        return nullptr;
    }
    auto shape = std::make_unique<Shape>();
    shape->kind = change.kind;
    shape->columns = change.columns;
    const std::vector<db::BulkInsert::Binding>& all = *bindings_;
    std::vector<db::BulkInsert::Binding> bindings;
    QStringList keyNames;
    for (std::size_t k : key_) {
        keyNames << columns_[qsizetype(k)];
    }
    if (change.kind == Kind::Insert) {
        shape->sql = PreparedInsertStatement(c_.tableName, int(columns_.size()), columns_);
        bindings = all;
    } else {
        QStringList set;
        for (std::size_t c : change.columns) {
            set << columns_[qsizetype(c)];
            bindings.push_back(all[c]);
        }
        shape->sql = change.kind == Kind::Update
                         ? PreparedUpdateStatement(c_.tableName, set, keyNames)
                         : PreparedDeleteStatement(c_.tableName, keyNames);
        for (std::size_t k : key_) {
            bindings.push_back(all[k]);
        }
    }
    c_.lastStatement = shape->sql;
    // A statement the server will not prepare is reported once; its changes
    // go on their own.
    c_.trap.step(c_.insertExecuteLine, [&] {
        shape->bulk.emplace(c_.target, shape->sql, std::move(bindings), int(batchSize_));
    });
    Shape* made = shape->bulk ? shape.get() : nullptr;
    shapes_.emplace(std::move(key), std::move(shape));
    return made;
}

// An array the server did not take whole was rolled back: its changes go
// again one by one.
void ChangeSink::sendArray(Shape& shape) {
    shape.bulk->start();
    c_.lastStatement = shape.sql;
    inDoubt_ = qint64(shape.bulk->sent().size());
    bool taken = false;
    const bool finished = c_.trap.step(c_.insertExecuteLine, [&] { taken = shape.bulk->finish(); });
    inDoubt_ = 0;
    const std::vector<std::vector<db::Value>>& sent = shape.bulk->sent();
    if (taken) {
        countOf(shape.kind) += qint64(sent.size());
        return;
    }
    if (!finished) {
        // Not even rolled back: none of them can be told to have arrived.
        c_.figures.rowsRefused += qint64(sent.size());
        return;
    }
    setAutocommit(true);
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sendAlone({shape.kind, shape.columns, sent[i], shape.bulk->sentTags()[i]});
    }
    setAutocommit(false);
}

void ChangeSink::sendAlone(const Change& change) {
    db::BoundValues bound;
    QString statement;
    const auto part = [&](std::size_t from, std::size_t to, const std::vector<std::size_t>& at) {
        ColumnValues part;
        for (std::size_t i = from; i < to; ++i) {
            part.columns << columns_[qsizetype(at[i - from])];
            part.values << change.values[i];
        }
        return part;
    };
    const std::size_t set = change.columns.size();
    switch (change.kind) {
    case Kind::Insert:
        statement =
            BoundInsertStatement(c_.direction, c_.tableName,
                                 QList<db::Value>(change.values.begin(), change.values.end()),
                                 c_.literals, columns_, budget_, bound);
        break;
    case Kind::Update:
        statement =
            BoundUpdateStatement(c_.direction, c_.tableName, part(0, set, change.columns),
                                 part(set, set + key_.size(), key_), c_.literals, budget_, bound);
        break;
    case Kind::Delete:
        statement = BoundDeleteStatement(c_.direction, c_.tableName, part(0, key_.size(), key_),
                                         c_.literals, budget_, bound);
        break;
    }
    c_.lastStatement = ShownWithBound(statement, bound);
    c_.subjectRow = change.tag;
    inDoubt_ = 1;
    bool sent = false;
    try {
        sent = c_.trap.step(c_.insertExecuteLine, [&] { c_.target.Execute(statement, bound); });
    } catch (const shell::Cancelled&) {
        // A stop is noticed once the statement has run and committed.
        ++countOf(change.kind);
        inDoubt_ = 0;
        c_.subjectRow = 0;
        throw;
    }
    inDoubt_ = 0;
    c_.subjectRow = 0;
    if (sent) {
        ++countOf(change.kind);
    } else {
        ++c_.figures.rowsRefused;
    }
}

void ChangeSink::setAutocommit(bool on) {
    for (auto& [kind, shape] : shapes_) {
        if (shape->bulk) {
            c_.trap.step(c_.insertExecuteLine, [&] { shape->bulk->setAutocommit(on); });
            return;
        }
    }
}

qint64& ChangeSink::countOf(Kind kind) {
    switch (kind) {
    case Kind::Insert:
        return done_.inserted;
    case Kind::Update:
        return done_.updated;
    case Kind::Delete:
        break;
    }
    return done_.deleted;
}

} // namespace transfer
