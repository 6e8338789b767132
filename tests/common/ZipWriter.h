#pragma once

// A small ZIP writer for tests, fuzz targets and benchmarks: stored and deflated
// entries, and knobs that break every rule a strict reader checks (checksums, sizes,
// methods, flags, names, counts, offsets, comments, data descriptors). On top of it, a
// workbook builder that writes the parts of an XLSX file that a reader looks at from a
// short description; on request also the package parts that only other spreadsheet
// programs read (content types, the package's relationships, a full style sheet).
// Header-only, so that the fuzz targets can use it without the test library.

#include <QByteArray>
#include <QList>
#include <QString>

#include <zlib.h>

#include <optional>
#include <utility>

namespace testsupport {

// Raw deflate (no zlib header), as ZIP archives hold it.
inline QByteArray deflateRaw(const QByteArray &data, int level = Z_DEFAULT_COMPRESSION)
{
    z_stream stream{};
    deflateInit2(&stream, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray out(qsizetype(deflateBound(&stream, uLong(data.size()))), Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef *>(out.data());
    stream.avail_out = uInt(out.size());
    deflate(&stream, Z_FINISH);
    out.truncate(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

inline quint32 crc32Of(const QByteArray &data)
{
    return quint32(crc32(0, reinterpret_cast<const Bytef *>(data.constData()), uInt(data.size())));
}

struct ZipEntry {
    QByteArray name;
    QByteArray data;
    bool deflated = true;

    // Each knob, when set, replaces what the writer would write.
    std::optional<quint32> checksum;
    std::optional<quint32> compressedSize;
    std::optional<quint32> size;
    std::optional<quint32> localOffset;
    std::optional<quint16> centralFlags;
    std::optional<quint16> localFlags;
    std::optional<quint16> centralMethod;
    std::optional<quint16> localMethod;
    std::optional<QByteArray> localName;
    std::optional<QByteArray> payload; // the entry data as written, instead of (deflated) `data`
    QByteArray extra;                  // in both headers
    QByteArray comment;                // in the central record
    bool dataDescriptor = false;       // flag bit 3: zero sizes and CRC locally, a descriptor after the data
};

struct ZipWriter {
    QList<ZipEntry> entries;
    QByteArray comment;
    QByteArray prefix;   // before the first local header
    QByteArray trailing; // after the end record and its comment
    std::optional<quint16> disk;
    std::optional<quint16> directoryDisk;
    std::optional<quint16> recordsOnDisk;
    std::optional<quint16> records;
    std::optional<quint32> directorySize;
    std::optional<quint32> directoryOffset;
    std::optional<quint16> commentLength;

    void add(const QString &name, const QByteArray &data, bool deflated = true)
    {
        ZipEntry entry;
        entry.name = name.toUtf8();
        entry.data = data;
        entry.deflated = deflated;
        entries.append(entry);
    }

    QByteArray build() const
    {
        QByteArray out = prefix;
        QByteArray directory;
        for (const ZipEntry &e : entries) {
            const QByteArray payload = e.payload ? *e.payload : (e.deflated ? deflateRaw(e.data) : e.data);
            const quint32 checksum = e.checksum.value_or(crc32Of(e.data));
            const quint32 compressed = e.compressedSize.value_or(quint32(payload.size()));
            const quint32 size = e.size.value_or(quint32(e.data.size()));
            const quint16 method = e.deflated ? 8 : 0;
            const quint16 flags = e.dataDescriptor ? 8 : 0;
            const QByteArray localName = e.localName.value_or(e.name);
            const quint32 offset = e.localOffset.value_or(quint32(out.size()));

            put32(out, 0x04034b50);
            put16(out, 20);
            put16(out, e.localFlags.value_or(flags));
            put16(out, e.localMethod.value_or(method));
            put32(out, 0); // time and date
            put32(out, e.dataDescriptor ? 0 : checksum);
            put32(out, e.dataDescriptor ? 0 : compressed);
            put32(out, e.dataDescriptor ? 0 : size);
            put16(out, quint16(localName.size()));
            put16(out, quint16(e.extra.size()));
            out += localName + e.extra + payload;
            if (e.dataDescriptor) {
                put32(out, 0x08074b50);
                put32(out, checksum);
                put32(out, compressed);
                put32(out, size);
            }

            put32(directory, 0x02014b50);
            put16(directory, 20);
            put16(directory, 20);
            put16(directory, e.centralFlags.value_or(flags));
            put16(directory, e.centralMethod.value_or(method));
            put32(directory, 0);
            put32(directory, checksum);
            put32(directory, compressed);
            put32(directory, size);
            put16(directory, quint16(e.name.size()));
            put16(directory, quint16(e.extra.size()));
            put16(directory, quint16(e.comment.size()));
            put16(directory, 0); // disk
            put16(directory, 0); // internal attributes
            put32(directory, 0); // external attributes
            put32(directory, offset);
            directory += e.name + e.extra + e.comment;
        }
        const quint32 directoryStart = quint32(out.size());
        out += directory;
        put32(out, 0x06054b50);
        put16(out, disk.value_or(0));
        put16(out, directoryDisk.value_or(0));
        put16(out, recordsOnDisk.value_or(quint16(entries.size())));
        put16(out, records.value_or(quint16(entries.size())));
        put32(out, directorySize.value_or(quint32(directory.size())));
        put32(out, directoryOffset.value_or(directoryStart));
        put16(out, commentLength.value_or(quint16(comment.size())));
        out += comment + trailing;
        return out;
    }

    static void put16(QByteArray &out, quint16 value)
    {
        out.append(char(value & 0xff));
        out.append(char(value >> 8));
    }
    static void put32(QByteArray &out, quint32 value)
    {
        put16(out, quint16(value & 0xffff));
        put16(out, quint16(value >> 16));
    }
};

// The parts of an XLSX workbook. Sheets hold the rows of their "sheetData" as XML;
// the rest is written from the lists below unless a whole part is given.
struct WorkbookBuilder {
    struct Sheet {
        QString name;
        QString rowsXml;    // children of <sheetData>
        bool chart = false; // a chart sheet, related by a chartsheet relationship
    };
    QList<Sheet> sheets;
    QList<QString> sharedStrings;                 // plain texts, one <si><t> each
    QList<std::pair<int, QString>> numberFormats; // custom format id and code
    QList<int> cellFormats;                       // numFmtId of each style index
    std::optional<QString> workbookXml;           // whole parts, written as given
    std::optional<QString> relationshipsXml;
    std::optional<QString> sharedStringsXml;
    std::optional<QString> stylesXml;
    bool deflated = true;
    // A workbook other programs open too, for comparing readers on the same files.
    bool complete = false;

    Sheet &addSheet(const QString &name, const QString &rowsXml)
    {
        sheets.append({name, rowsXml, false});
        return sheets.last();
    }

    static QString worksheetXml(const QString &rowsXml)
    {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                              "<sheetData>%1</sheetData></worksheet>")
            .arg(rowsXml);
    }

    // `rowsXml` followed by a comment that makes the worksheet part exactly `partBytes` long
    // in UTF-8: a sound part of any size, whose comment no limit of the reader counts.
    static QString paddedRows(const QString &rowsXml, qint64 partBytes)
    {
        const QString open = QStringLiteral("<!--"), close = QStringLiteral("-->");
        const qint64 bytes = worksheetXml(rowsXml + open + close).toUtf8().size();
        return rowsXml + open + QString(qsizetype(partBytes - bytes), u'x') + close;
    }

    QString defaultWorkbookXml() const
    {
        QString list;
        for (qsizetype i = 0; i < sheets.size(); ++i)
            list += QStringLiteral("<sheet name=\"%1\" sheetId=\"%2\" r:id=\"rId%2\"/>")
                        .arg(sheets[i].name.toHtmlEscaped())
                        .arg(i + 1);
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
                              "<sheets>%1</sheets></workbook>")
            .arg(list);
    }

    QString defaultRelationshipsXml() const
    {
        const QString base = QStringLiteral("http://schemas.openxmlformats.org/officeDocument/2006/relationships/");
        QString list;
        for (qsizetype i = 0; i < sheets.size(); ++i) {
            const bool chart = sheets[i].chart;
            list += QStringLiteral("<Relationship Id=\"rId%1\" Type=\"%2%3\" Target=\"%4/sheet%1.xml\"/>")
                        .arg(i + 1)
                        .arg(base, chart ? QStringLiteral("chartsheet") : QStringLiteral("worksheet"),
                             chart ? QStringLiteral("chartsheets") : QStringLiteral("worksheets"));
        }
        list += QStringLiteral("<Relationship Id=\"rIdS\" Type=\"%1styles\" Target=\"styles.xml\"/>"
                               "<Relationship Id=\"rIdT\" Type=\"%1sharedStrings\" Target=\"sharedStrings.xml\"/>")
                    .arg(base);
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                              "%1</Relationships>")
            .arg(list);
    }

    QString defaultSharedStringsXml() const
    {
        QString list;
        for (const QString &text : sharedStrings)
            list += QStringLiteral("<si><t xml:space=\"preserve\">%1</t></si>").arg(text.toHtmlEscaped());
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                              "count=\"%1\" uniqueCount=\"%1\">%2</sst>")
            .arg(sharedStrings.size())
            .arg(list);
    }

    QString defaultStylesXml() const
    {
        // Other programs want the fonts, fills and borders that the cell formats name.
        const QString shared =
            complete ? QStringLiteral("<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
                                      "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
                                      "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
                                      "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/>"
                                      "</border></borders><cellStyleXfs count=\"1\"><xf numFmtId=\"0\" "
                                      "fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>")
                     : QString();
        QString formats;
        for (const auto &[id, code] : numberFormats)
            formats += QStringLiteral("<numFmt numFmtId=\"%1\" formatCode=\"%2\"/>").arg(id).arg(code.toHtmlEscaped());
        QString xfs;
        for (int id : cellFormats)
            xfs += QStringLiteral("<xf numFmtId=\"%1\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>").arg(id);
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                              "%1%2<cellXfs count=\"%3\">%4</cellXfs></styleSheet>")
            .arg(complete && numberFormats.isEmpty()
                     ? QString()
                     : QStringLiteral("<numFmts count=\"%1\">%2</numFmts>").arg(numberFormats.size()).arg(formats),
                 shared)
            .arg(cellFormats.size())
            .arg(xfs);
    }

    QString contentTypesXml() const
    {
        const QString type = QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.");
        QString overrides =
            QStringLiteral("<Override PartName=\"/xl/workbook.xml\" ContentType=\"%1sheet.main+xml\"/>"
                           "<Override PartName=\"/xl/sharedStrings.xml\" ContentType=\"%1sharedStrings+xml\"/>"
                           "<Override PartName=\"/xl/styles.xml\" ContentType=\"%1styles+xml\"/>")
                .arg(type);
        for (qsizetype i = 0; i < sheets.size(); ++i) {
            const bool chart = sheets[i].chart;
            overrides += QStringLiteral("<Override PartName=\"/xl/%1/sheet%2.xml\" ContentType=\"%3%4+xml\"/>")
                             .arg(chart ? QStringLiteral("chartsheets") : QStringLiteral("worksheets"))
                             .arg(i + 1)
                             .arg(type, chart ? QStringLiteral("chartsheet") : QStringLiteral("worksheet"));
        }
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                              "<Default Extension=\"rels\" "
                              "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                              "<Default Extension=\"xml\" ContentType=\"application/xml\"/>%1</Types>")
            .arg(overrides);
    }

    static QString packageRelationshipsXml()
    {
        return QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
                              "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                              "<Relationship Id=\"rId1\" Type=\"http://schemas.openxmlformats.org/officeDocument/"
                              "2006/relationships/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    }

    ZipWriter writer() const
    {
        ZipWriter zip;
        if (complete) {
            zip.add(QStringLiteral("[Content_Types].xml"), contentTypesXml().toUtf8(), deflated);
            zip.add(QStringLiteral("_rels/.rels"), packageRelationshipsXml().toUtf8(), deflated);
        }
        zip.add(QStringLiteral("xl/workbook.xml"), workbookXml.value_or(defaultWorkbookXml()).toUtf8(), deflated);
        zip.add(QStringLiteral("xl/_rels/workbook.xml.rels"),
                relationshipsXml.value_or(defaultRelationshipsXml()).toUtf8(), deflated);
        zip.add(QStringLiteral("xl/sharedStrings.xml"), sharedStringsXml.value_or(defaultSharedStringsXml()).toUtf8(),
                deflated);
        zip.add(QStringLiteral("xl/styles.xml"), stylesXml.value_or(defaultStylesXml()).toUtf8(), deflated);
        for (qsizetype i = 0; i < sheets.size(); ++i) {
            const QString folder = sheets[i].chart ? QStringLiteral("chartsheets") : QStringLiteral("worksheets");
            const QString xml = sheets[i].chart
                                    ? QStringLiteral("<chartsheet xmlns=\"http://schemas.openxmlformats.org/"
                                                     "spreadsheetml/2006/main\"/>")
                                    : worksheetXml(sheets[i].rowsXml);
            zip.add(QStringLiteral("xl/%1/sheet%2.xml").arg(folder).arg(i + 1), xml.toUtf8(), deflated);
        }
        return zip;
    }

    QByteArray build() const { return writer().build(); }
};

} // namespace testsupport
