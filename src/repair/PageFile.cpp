#include "repair/PageFile.h"

#include "core/Error.h"

#include <QStringDecoder>
#include <cstring>

namespace orv::repair {
namespace {

constexpr char kMagic[] = "SQLite format 3";
constexpr qint64 kMaxPayload = 1'000'000'000;

quint32 get16(const uchar* p) { return (quint32(p[0]) << 8) | p[1]; }
quint32 get32(const uchar* p) {
    return (quint32(p[0]) << 24) | (quint32(p[1]) << 16) | (quint32(p[2]) << 8) | p[3];
}

bool validPageSize(int size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }

// Size in bytes of a value of the given serial type; -1 for the reserved types 10 and 11.
qint64 serialSize(qint64 type) {
    static constexpr int kFixed[] = {0, 1, 2, 3, 4, 6, 8, 8, 0, 0, -1, -1};
    if (type < 12) return kFixed[type];
    return (type - 12) / 2;
}

RawValue decodeValue(qint64 type, const uchar* p) {
    RawValue v;
    if (type == 0) return v;
    if (type == 8 || type == 9) {
        v.kind = RawValue::Kind::Integer;
        v.integer = type - 8;
        return v;
    }
    if (type == 7) {
        quint64 bits = 0;
        for (int i = 0; i < 8; ++i) bits = (bits << 8) | p[i];
        v.kind = RawValue::Kind::Real;
        std::memcpy(&v.real, &bits, sizeof bits);
        return v;
    }
    if (type <= 6) {
        const qint64 n = serialSize(type);
        qint64 x = (p[0] & 0x80) ? -1 : 0;
        for (qint64 i = 0; i < n; ++i) x = qint64(quint64(x) << 8) | p[i];
        v.kind = RawValue::Kind::Integer;
        v.integer = x;
        return v;
    }
    v.kind = (type & 1) ? RawValue::Kind::Text : RawValue::Kind::Blob;
    v.bytes = QByteArray(reinterpret_cast<const char*>(p), int(serialSize(type)));
    return v;
}

}  // namespace

int readVarint(const uchar* p, const uchar* end, qint64* value) {
    quint64 v = 0;
    for (int i = 0; i < 9; ++i) {
        if (p + i >= end) return 0;
        if (i == 8) {
            v = (v << 8) | p[i];
            *value = qint64(v);
            return 9;
        }
        v = (v << 7) | (p[i] & 0x7f);
        if (!(p[i] & 0x80)) {
            *value = qint64(v);
            return i + 1;
        }
    }
    return 0;
}

PageFile::PageFile(const QString& path) : file_(path) {
    if (!file_.open(QIODevice::ReadOnly))
        raise(Error::Kind::Engine, QStringLiteral("Не удалось открыть файл %1").arg(path));
    size_ = file_.size();
    if (size_ > 0) {
        data_ = file_.map(0, size_);
        if (!data_)
            raise(Error::Kind::Engine, QStringLiteral("Не удалось прочитать файл %1").arg(path));
    }
    readHeader();
}

quint32 PageFile::field32(int offset) const {
    return size_ >= offset + 4 ? get32(data_ + offset) : 0;
}

void PageFile::readHeader() {
    const bool magic = size_ >= 100 && std::memcmp(data_, kMagic, sizeof kMagic) == 0;
    int size = size_ >= 100 ? int(get16(data_ + 16)) : 0;
    if (size == 1) size = 65536;
    headerValid_ = magic && validPageSize(size);
    if (!magic) headerProblems_.append(QStringLiteral("нет подписи файла SQLite"));
    if (headerValid_) {
        pageSize_ = size;
    } else {
        if (magic) headerProblems_.append(QStringLiteral("неправильный размер страницы"));
        choosePageSize();
        guessed_ = true;
    }
    // A header whose page size agrees with the pages is trusted for the rest of its fields even
    // when its signature is damaged: the freelist above all, whose pages hold deleted rows.
    fieldsTrusted_ = headerValid_ || (size == pageSize_ && size_ >= 100);
    if (fieldsTrusted_) {
        reserved_ = data_[20];
        const quint32 enc = field32(56);
        encoding_ = (enc >= 1 && enc <= 3) ? int(enc) : 1;
        if (pageSize_ - reserved_ < 480) {
            headerProblems_.append(QStringLiteral("неправильный размер резерва страницы"));
            reserved_ = 0;
        }
    }
    filePages_ = quint32(size_ / pageSize_);
    declaredPages_ = headerValid_ ? field32(28) : filePages_;
    if (size_ % pageSize_ != 0)
        headerProblems_.append(QStringLiteral("файл оборван посреди страницы"));
    if (headerValid_ && declaredPages_ != 0 && declaredPages_ > filePages_)
        headerProblems_.append(
            QStringLiteral("файл короче, чем указано в заголовке (%1 из %2 страниц)")
                .arg(filePages_)
                .arg(declaredPages_));
}

// Every valid page size is tried; the one at which the most rows decode on table-leaf pages
// without a bad cell wins. A wrong size reads fewer: twice the true size reads every other page,
// half of it cuts the cells of each page off. 4096 when no size reads a row.
void PageFile::choosePageSize() {
    int bestSize = 4096;
    qint64 bestRows = 0;
    for (int size = 512; size <= 65536; size *= 2) {
        pageSize_ = size;
        filePages_ = quint32(size_ / size);
        qint64 rows = 0;
        for (quint32 page = 2; page <= filePages_; ++page) {
            qint64 onPage = 0;
            int bad = 0;
            if (readLeaf(
                    page, [&](LeafRow&) { ++onPage; }, &bad) &&
                bad == 0)
                rows += onPage;
        }
        if (rows > bestRows) {
            bestRows = rows;
            bestSize = size;
        }
    }
    pageSize_ = bestSize;
}

const uchar* PageFile::pageData(quint32 page) const {
    if (page < 1 || page > filePages_) return nullptr;
    return data_ + qint64(page - 1) * pageSize_;
}

int PageFile::pageType(quint32 page) const {
    const uchar* p = pageData(page);
    if (!p) return 0;
    const int type = p[headerOffset(page)];
    return (type == 2 || type == 5 || type == 10 || type == 13) ? type : 0;
}

QSet<quint32> PageFile::freelistPages() const {
    QSet<quint32> pages;
    if (!fieldsTrusted_) return pages;
    quint32 trunk = field32(32);
    const int perTrunk = usableSize() / 4 - 2;
    while (trunk != 0 && !pages.contains(trunk)) {
        const uchar* p = pageData(trunk);
        if (!p) break;
        pages.insert(trunk);
        const quint32 count = get32(p + 4);
        for (quint32 i = 0; i < count && int(i) < perTrunk; ++i) pages.insert(get32(p + 8 + 4 * i));
        trunk = get32(p);
    }
    return pages;
}

QSet<quint32> PageFile::treePages(quint32 root) const {
    QSet<quint32> seen;
    std::vector<quint32> todo{root};
    while (!todo.empty()) {
        const quint32 page = todo.back();
        todo.pop_back();
        if (seen.contains(page) || !pageData(page)) continue;
        const int type = pageType(page);
        if (type == 0) continue;
        seen.insert(page);
        if (type != 2 && type != 5) continue;
        const uchar* p = pageData(page) + headerOffset(page);
        const uchar* base = pageData(page);
        const quint32 cells = get16(p + 3);
        for (quint32 i = 0; i < cells; ++i) {
            const int at = 12 + 2 * int(i);
            if (headerOffset(page) + at + 2 > usableSize()) break;
            const quint32 cell = get16(p + at);
            if (cell + 4 <= quint32(usableSize())) todo.push_back(get32(base + cell));
        }
        todo.push_back(get32(p + 8));
    }
    return seen;
}

std::vector<SchemaEntry> PageFile::schema() const {
    std::vector<SchemaEntry> entries;
    for (quint32 page : treePages(1)) {
        int bad = 0;
        readLeaf(
            page,
            [&](LeafRow& row) {
                if (row.values.size() < 5) return;
                SchemaEntry e;
                e.type = text(row.values[0].bytes);
                e.name = text(row.values[1].bytes);
                e.tableName = text(row.values[2].bytes);
                e.rootPage = quint32(row.values[3].integer);
                e.sql = text(row.values[4].bytes);
                entries.push_back(e);
            },
            &bad);
    }
    return entries;
}

QString PageFile::text(const QByteArray& bytes) const {
    if (encoding_ == 1) return QString::fromUtf8(bytes);
    QStringDecoder decoder(encoding_ == 2 ? QStringConverter::Utf16LE : QStringConverter::Utf16BE);
    return decoder(bytes);
}

bool PageFile::readLeaf(quint32 page, const std::function<void(LeafRow&)>& sink,
                        int* badCells) const {
    *badCells = 0;
    if (pageType(page) != 13) return false;
    const uchar* base = pageData(page);
    const uchar* p = base + headerOffset(page);
    const int cells = int(get16(p + 3));
    const int pointers = headerOffset(page) + 8;
    if (pointers + 2 * cells > usableSize()) {
        *badCells = cells;
        return true;
    }
    LeafRow row;
    for (int i = 0; i < cells; ++i) {
        const int cell = int(get16(base + pointers + 2 * i));
        if (cell < pointers + 2 * cells || cell >= usableSize() || !decodeCell(base, cell, row)) {
            ++*badCells;
            continue;
        }
        sink(row);
    }
    return true;
}

bool PageFile::decodeCell(const uchar* page, int offset, LeafRow& row) const {
    const uchar* end = page + usableSize();
    const uchar* at = page + offset;
    qint64 size = 0;
    int n = readVarint(at, end, &size);
    if (n == 0 || size < 1 || size > kMaxPayload) return false;
    at += n;
    n = readVarint(at, end, &row.rowid);
    if (n == 0) return false;
    at += n;
    QByteArray record;
    if (!payload(page, int(at - page), size, record)) return false;
    const auto* r = reinterpret_cast<const uchar*>(record.constData());
    const uchar* rend = r + record.size();
    qint64 headerSize = 0;
    n = readVarint(r, rend, &headerSize);
    if (n == 0 || headerSize < n || headerSize > record.size()) return false;
    std::vector<qint64> types;
    const uchar* h = r + n;
    qint64 body = 0;
    while (h < r + headerSize) {
        qint64 type = 0;
        const int m = readVarint(h, r + headerSize, &type);
        if (m == 0 || type < 0 || type == 10 || type == 11) return false;
        types.push_back(type);
        body += serialSize(type);
        h += m;
    }
    if (h != r + headerSize || headerSize + body != record.size()) return false;
    row.values.clear();
    row.values.reserve(types.size());
    const uchar* v = r + headerSize;
    for (qint64 type : types) {
        row.values.push_back(decodeValue(type, v));
        v += serialSize(type);
    }
    return true;
}

// Collects the payload of a cell starting at offset, following its overflow chain.
bool PageFile::payload(const uchar* page, int offset, qint64 size, QByteArray& out) const {
    const qint64 usable = usableSize();
    const qint64 maxLocal = usable - 35;
    qint64 local = size;
    if (size > maxLocal) {
        const qint64 minLocal = (usable - 12) * 32 / 255 - 23;
        const qint64 k = minLocal + (size - minLocal) % (usable - 4);
        local = k <= maxLocal ? k : minLocal;
    }
    const bool overflow = local < size;
    if (offset + local + (overflow ? 4 : 0) > usable) return false;
    out = QByteArray(reinterpret_cast<const char*>(page + offset), int(local));
    if (!overflow) return true;
    quint32 next = get32(page + offset + local);
    quint32 hops = 0;
    while (out.size() < size) {
        const uchar* p = pageData(next);
        if (!p || next == 1 || ++hops > filePages_) return false;
        const qint64 chunk = std::min<qint64>(usable - 4, size - out.size());
        out.append(reinterpret_cast<const char*>(p + 4), int(chunk));
        next = get32(p);
    }
    return true;
}

}  // namespace orv::repair
