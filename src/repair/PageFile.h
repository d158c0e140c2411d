#pragma once
// A SQLite table file read page by page, without SQLite: the 100-byte file header, b-tree page
// headers, cell pointer arrays, varints, records and overflow chains. The rebuild rescues rows
// from the table-leaf pages themselves with it, so that rows on intact pages survive damage to
// interior pages, to the schema or to an index; the verification counts what it finds with it.
//
// The file is memory-mapped read-only for the object's life. A header that is garbage does not
// stop the reader: the page size is then the one at which the most rows read from the pages
// themselves (guessedPageSize()).
// Construction throws orv::Error when the file cannot be opened or mapped.

#include <QByteArray>
#include <QFile>
#include <QSet>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace orv::repair {

// One value of a record as SQLite stores it.
struct RawValue {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    qint64 integer = 0;
    double real = 0;
    QByteArray bytes;  // text (in the file's encoding) or blob
};

// One row of a table-leaf page: its rowid and the values of its record, in column order.
struct LeafRow {
    qint64 rowid = 0;
    std::vector<RawValue> values;
};

// A row of the schema table (sqlite_schema) as found on its pages.
struct SchemaEntry {
    QString type;  // "table", "index"
    QString name;
    QString tableName;
    quint32 rootPage = 0;
    QString sql;
};

class PageFile {
  public:
    explicit PageFile(const QString& path);
    PageFile(const PageFile&) = delete;
    PageFile& operator=(const PageFile&) = delete;

    qint64 fileSize() const { return size_; }
    // True when the file starts with the SQLite magic string and a valid page size.
    bool headerValid() const { return headerValid_; }
    bool guessedPageSize() const { return guessed_; }
    int pageSize() const { return pageSize_; }
    int usableSize() const { return pageSize_ - reserved_; }
    // Pages the header declares, and pages the file really holds.
    quint32 declaredPageCount() const { return declaredPages_; }
    quint32 pageCount() const { return filePages_; }
    quint32 schemaCookie() const { return field32(40); }
    quint32 schemaFormat() const { return field32(44); }
    // 1 UTF-8, 2 UTF-16le, 3 UTF-16be; 1 when the header is no help.
    int textEncoding() const { return encoding_; }
    // What is wrong with the header, in the operator's words; empty when nothing.
    const QStringList& headerProblems() const { return headerProblems_; }

    // The b-tree page type byte (2, 5, 10, 13) of a page, 0 for anything else.
    int pageType(quint32 page) const;
    // Pages on the freelist (trunks and leaves) when the header lets them be found; their old
    // contents are deleted rows that must not come back.
    QSet<quint32> freelistPages() const;
    // Pages of the b-tree rooted at root that can be reached from it (damaged links skipped).
    QSet<quint32> treePages(quint32 root) const;
    // The schema rows readable from the schema tree (page 1).
    std::vector<SchemaEntry> schema() const;

    // Decodes the cells of a table-leaf page, calling sink for every cell whose record decodes
    // completely. Returns false when the page is no table-leaf page; badCells receives the
    // number of cells that did not decode.
    bool readLeaf(quint32 page, const std::function<void(LeafRow&)>& sink, int* badCells) const;

    // Text of a stored text value in the file's encoding.
    QString text(const QByteArray& bytes) const;

  private:
    const uchar* pageData(quint32 page) const;
    int headerOffset(quint32 page) const { return page == 1 ? 100 : 0; }
    quint32 field32(int offset) const;
    void readHeader();
    void choosePageSize();
    bool decodeCell(const uchar* page, int offset, LeafRow& row) const;
    bool payload(const uchar* page, int offset, qint64 size, QByteArray& out) const;

    QFile file_;
    const uchar* data_ = nullptr;
    qint64 size_ = 0;
    bool headerValid_ = false;
    bool guessed_ = false;
    bool fieldsTrusted_ = false;  // the header's fields beyond the signature can be used
    int pageSize_ = 4096;
    int reserved_ = 0;
    int encoding_ = 1;
    quint32 declaredPages_ = 0;
    quint32 filePages_ = 0;
    QStringList headerProblems_;
};

// Reads a SQLite varint at p (at most 9 bytes, not past end); returns its length, 0 when it
// runs past end.
int readVarint(const uchar* p, const uchar* end, qint64* value);

}  // namespace orv::repair
