// Table import: the CSV reader and the workbook reader on ten files of 10,000 rows × 6
// columns (ids, names, a city from a short list, prices, dates, flags), read one after
// the other per iteration, so one iteration is the time per 100,000 rows; one workbook of
// 10,000 rows × 8 columns held mostly in shared strings (Latin and Cyrillic text, numbers,
// dates); turning a 10,000 × 50 sheet into a validated table; peak memory of a worksheet
// part of 1.5 million elements, with the read's own growth taken in a child process; and a
// Windows-1251 CSV of quoted multi-line fields near 16 MiB.
// Inputs are generated before timing. Run one case per process for its own peak, e.g.
// --benchmark_filter=WorkbookPeak. `--write-inputs=<folder>` writes the CSV and XLSX
// files the first two cases read, for timing other parsers on the same data: the workbooks
// are complete packages that other spreadsheet programs open.

#include "bench/BenchMain.h"
#include "bench/BenchMemory.h"
#include "core/table/CSVImporter.h"
#include "core/table/WorkbookImporter.h"

#include "tests/common/ZipWriter.h"

#include <benchmark/benchmark.h>

#include <QDate>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QStringEncoder>
#include <QTemporaryFile>

#include <cstdio>
#include <cstring>
#include <string>

using namespace kestrivane;

namespace {

using namespace benchmemory;

constexpr int files = 10;
constexpr int rowsPerFile = 10000;

const QStringList cities{"Berlin", "Hamburg", "München", "Köln", "Frankfurt", "Stuttgart", "Leipzig", "Dresden"};
const QStringList firstNames{"Anna", "Jonas", "Lea", "Finn", "Mia", "Paul", "Emma", "Ben", "Lina", "Noah"};
const QStringList lastNames{"Müller", "Schmidt", "Schneider", "Fischer", "Weber", "Meyer", "Wagner", "Becker"};

struct Row {
    int id;
    QString name;
    QString city;
    QString price;
    int day; // days since 1900 as the spreadsheet counts them
    bool flag;
};

Row rowOf(int file, int index)
{
    const int n = file * rowsPerFile + index;
    return {100000 + n,
            firstNames[n % firstNames.size()] + u' ' + lastNames[(n / 7) % lastNames.size()],
            cities[(n / 3) % cities.size()],
            QString::number((n * 37) % 10000 / 100.0, 'f', 2),
            45000 + n % 1000,
            n % 3 == 0};
}

QByteArray csvFile(int file)
{
    QString text = QStringLiteral("id;name;city;price;date;flag\r\n");
    for (int i = 0; i < rowsPerFile; ++i) {
        const Row row = rowOf(file, i);
        const QDate date = QDate(1899, 12, 30).addDays(row.day);
        text += QStringLiteral("%1;%2;%3;%4;%5;%6\r\n")
                    .arg(row.id)
                    .arg(row.name, row.city, row.price, date.toString(Qt::ISODate),
                         row.flag ? QStringLiteral("true") : QStringLiteral("false"));
    }
    return text.toUtf8();
}

// Shared strings as spreadsheet programs keep them: each distinct text once, cells naming it
// by its index; and the header row of such a sheet, one shared string per column.
struct SharedStrings {
    testsupport::WorkbookBuilder &book;
    QHash<QString, int> indexes;

    int operator()(const QString &text)
    {
        auto found = indexes.constFind(text);
        if (found != indexes.cend())
            return found.value();
        book.sharedStrings.append(text);
        return int(indexes.insert(text, int(indexes.size())).value());
    }

    QString headerRow(const QStringList &headers)
    {
        QString row = QStringLiteral("<row r=\"1\">");
        for (qsizetype c = 0; c < headers.size(); ++c)
            row += QStringLiteral("<c r=\"%1%2\" t=\"s\"><v>%3</v></c>")
                       .arg(QChar(char16_t(u'A' + c)))
                       .arg(1)
                       .arg((*this)(headers[c]));
        return row + QStringLiteral("</row>");
    }
};

QByteArray workbookFile(int file)
{
    testsupport::WorkbookBuilder book;
    book.complete = true;
    SharedStrings sharedIndex{book, {}};
    QString rows = sharedIndex.headerRow({"id", "name", "city", "price", "date", "flag"});
    for (int i = 0; i < rowsPerFile; ++i) {
        const Row row = rowOf(file, i);
        const int r = i + 2;
        rows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\"><v>%2</v></c><c r=\"B%1\" t=\"s\"><v>%3</v></c>"
                               "<c r=\"C%1\" t=\"s\"><v>%4</v></c><c r=\"D%1\"><v>%5</v></c>"
                               "<c r=\"E%1\" s=\"1\"><v>%6</v></c><c r=\"F%1\" t=\"b\"><v>%7</v></c></row>")
                    .arg(r)
                    .arg(row.id)
                    .arg(sharedIndex(row.name))
                    .arg(sharedIndex(row.city))
                    .arg(row.price)
                    .arg(row.day)
                    .arg(row.flag ? 1 : 0);
    }
    book.addSheet(QStringLiteral("Data"), rows);
    book.cellFormats = {0, 14}; // general, and the built-in date format
    return book.build();
}

const QList<QByteArray> &csvFiles()
{
    static const QList<QByteArray> inputs = [] {
        QList<QByteArray> list;
        for (int f = 0; f < files; ++f)
            list.append(csvFile(f));
        return list;
    }();
    return inputs;
}

const QList<QByteArray> &workbookFiles()
{
    static const QList<QByteArray> inputs = [] {
        QList<QByteArray> list;
        for (int f = 0; f < files; ++f)
            list.append(workbookFile(f));
        return list;
    }();
    return inputs;
}

void csvRead(benchmark::State &state)
{
    const QList<QByteArray> &inputs = csvFiles();
    qint64 bytes = 0;
    for (const QByteArray &input : inputs)
        bytes += input.size();
    for (auto _ : state) {
        for (const QByteArray &input : inputs) {
            ImportedSheet sheet = CSVImporter::read(input, CSVSeparator::automatic, CSVEncoding::automatic);
            benchmark::DoNotOptimize(sheet);
        }
    }
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["rows"] = files * rowsPerFile;
    state.counters["input_MB"] = bytes / 1e6;
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(csvRead)->Name("CsvRead/100000Rows")->Unit(benchmark::kMillisecond)->UseRealTime();

void workbookRead(benchmark::State &state)
{
    const QList<QByteArray> &inputs = workbookFiles();
    qint64 bytes = 0;
    for (const QByteArray &input : inputs)
        bytes += input.size();
    for (auto _ : state) {
        for (const QByteArray &input : inputs) {
            QList<ImportedSheet> sheets = WorkbookImporter::read(input);
            benchmark::DoNotOptimize(sheets);
        }
    }
    state.counters["rows"] = files * rowsPerFile;
    state.counters["input_MB"] = bytes / 1e6;
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(workbookRead)->Name("WorkbookRead/100000Rows")->Unit(benchmark::kMillisecond)->UseRealTime();

// 10,000 rows × 8 columns and a header row, as spreadsheet programs write them: every
// text a shared string (names, Cyrillic cities, a description unique to each row, codes),
// numbers and dates as numbers.
QByteArray sharedStringsWorkbook()
{
    const QStringList towns{"Москва", "Санкт-Петербург", "Новосибирск", "Екатеринбург", "Казань", "Нижний Новгород"};
    const QStringList goods{"Чай зелёный", "Кофе", "Сахар", "Мука пшеничная", "Масло", "Молоко"};
    testsupport::WorkbookBuilder book;
    book.complete = true;
    SharedStrings sharedIndex{book, {}};
    QString rows = sharedIndex.headerRow({"id", "name", "город", "описание", "price", "quantity", "date", "code"});
    for (int i = 0; i < rowsPerFile; ++i) {
        const Row row = rowOf(0, i);
        const int r = i + 2;
        const QString description =
            QStringLiteral("%1, партия %2 (%3)").arg(goods[i % goods.size()]).arg(i).arg(row.name);
        rows += QStringLiteral("<row r=\"%1\"><c r=\"A%1\"><v>%2</v></c><c r=\"B%1\" t=\"s\"><v>%3</v></c>"
                               "<c r=\"C%1\" t=\"s\"><v>%4</v></c><c r=\"D%1\" t=\"s\"><v>%5</v></c>"
                               "<c r=\"E%1\"><v>%6</v></c><c r=\"F%1\"><v>%7</v></c>"
                               "<c r=\"G%1\" s=\"1\"><v>%8</v></c><c r=\"H%1\" t=\"s\"><v>%9</v></c></row>")
                    .arg(r)
                    .arg(row.id)
                    .arg(sharedIndex(row.name))
                    .arg(sharedIndex(towns[(i / 5) % towns.size()]))
                    .arg(sharedIndex(description))
                    .arg(row.price)
                    .arg(i % 50 + 1)
                    .arg(row.day)
                    .arg(sharedIndex(QStringLiteral("KV-%1").arg(i % 400, 4, 10, QChar(u'0'))));
    }
    book.addSheet(QStringLiteral("Лист1"), rows);
    book.cellFormats = {0, 14}; // general, and the built-in date format
    return book.build();
}

void workbookSharedStrings(benchmark::State &state)
{
    const QByteArray input = sharedStringsWorkbook();
    for (auto _ : state) {
        QList<ImportedSheet> sheets = WorkbookImporter::read(input);
        benchmark::DoNotOptimize(sheets);
    }
    state.counters["input_MB"] = input.size() / 1e6;
}
BENCHMARK(workbookSharedStrings)->Name("WorkbookSharedStrings/10000x8")->Unit(benchmark::kMillisecond)->UseRealTime();

void sheetToTable(benchmark::State &state)
{
    QList<QList<QString>> rows;
    for (int r = 0; r < 10001; ++r) {
        QList<QString> row;
        for (int c = 0; c < 50; ++c)
            row.append(QStringLiteral("r%1c%2").arg(r).arg(c));
        rows.append(row);
    }
    const ImportedSheet sheet(QStringLiteral("Data"), rows);
    for (auto _ : state) {
        LabelTable table = sheet.table(QStringLiteral("data.xlsx"), true);
        benchmark::DoNotOptimize(table);
    }
}
BENCHMARK(sheetToTable)->Name("SheetToTable/10000x50")->Unit(benchmark::kMillisecond)->UseRealTime();

const char *const readGrowthOption = "--read-growth=";

// The growth of the resident set from just before reading the workbook in `path` to the
// read's peak, in megabytes; run in a process of its own that holds nothing else. In a process
// where other work ran first, the read reuses memory that work freed and kept, and the growth
// would count only the pages it touches anew: less, by how much depends on what ran before.
double readGrowth(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray input = file.readAll();
    resetPeak();
    const double resident = statusMegabytes("VmRSS:");
    {
        QList<ImportedSheet> sheets = WorkbookImporter::read(input);
        benchmark::DoNotOptimize(sheets);
    }
    return statusMegabytes("VmHWM:") - resident;
}

// A worksheet part of 1,499,497 elements: 499,000 inline-string cells of three
// elements each, the most a part may hold within the cell limit.
void workbookPeak(benchmark::State &state)
{
    QByteArray rows;
    for (int r = 1; r <= 2495; ++r) {
        rows += "<row r=\"" + QByteArray::number(r) + "\">";
        for (int c = 0; c < 200; ++c)
            rows += "<c r=\"" + ImportedSheet::columnName(c).toLatin1() + QByteArray::number(r) +
                    "\" t=\"inlineStr\"><is><t>v" + QByteArray::number(r * 200 + c) + "</t></is></c>";
        rows += "</row>";
    }
    testsupport::WorkbookBuilder book;
    book.addSheet(QStringLiteral("Big"), QString::fromLatin1(rows));
    rows = QByteArray();
    const QByteArray input = book.build();
    book = testsupport::WorkbookBuilder();
    const double before = peakMegabytes();
    resetPeak();
    for (auto _ : state) {
        QList<ImportedSheet> sheets = WorkbookImporter::read(input);
        benchmark::DoNotOptimize(sheets);
    }
    state.counters["input_MB"] = input.size() / 1e6;
    state.counters["peak_before_MB"] = before;
    state.counters["peak_MB"] = peakMegabytes();
    // The read's own growth, from the same bytes in a process of its own (see readGrowth).
    QTemporaryFile file;
    QProcess child;
    if (file.open() && file.write(input) == input.size() && file.flush()) {
        child.start(QCoreApplication::applicationFilePath(), {QString::fromLatin1(readGrowthOption) + file.fileName()});
        child.waitForFinished(-1);
    }
    bool measured = false;
    const double growth = child.readAllStandardOutput().trimmed().toDouble(&measured);
    if (measured && child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0)
        state.counters["read_growth_MB"] = growth;
    else
        state.SkipWithError("the read's own growth could not be measured in a process of its own");
}
BENCHMARK(workbookPeak)
    ->Name("WorkbookPeak/1500000Elements")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// Windows-1251, 10,000 rows of 30 quoted fields, half of them holding a line break:
// just under 16 MiB.
void csvCyrillic(benchmark::State &state)
{
    QString text;
    const QString word = QStringLiteral("Привет, мир; \"цитата\" и ещё немного текста");
    for (int r = 0; r < 10000; ++r) {
        for (int c = 0; c < 30; ++c) {
            text += u'"';
            QString field = word;
            field.replace(QStringLiteral("\""), QStringLiteral("\"\""));
            text += field + (c % 2 ? QStringLiteral("\r\nстрока %1").arg(r) : QString());
            text += u'"';
            text += c < 29 ? u';' : u'\n';
        }
    }
    QStringEncoder encoder("windows-1251");
    QByteArray input = encoder.encode(text);
    text.clear();
    text.squeeze();
    if (input.size() > CSVImporter::maximumBytes)
        state.SkipWithError("input over the limit");
    const double before = peakMegabytes();
    for (auto _ : state) {
        ImportedSheet sheet = CSVImporter::read(input, CSVSeparator::automatic, CSVEncoding::windows1251);
        benchmark::DoNotOptimize(sheet);
    }
    state.SetBytesProcessed(state.iterations() * input.size());
    state.counters["input_MB"] = input.size() / 1e6;
    state.counters["peak_before_MB"] = before;
    state.counters["peak_MB"] = peakMegabytes();
}
BENCHMARK(csvCyrillic)->Name("CsvCyrillicQuoted/16MiB")->Unit(benchmark::kMillisecond)->UseRealTime();

bool writeInputs(const QString &folder)
{
    if (!QDir().mkpath(folder))
        return false;
    for (int f = 0; f < files; ++f) {
        for (const auto &[name, data] : {std::pair{QStringLiteral("rows%1.csv").arg(f), csvFiles()[f]},
                                         std::pair{QStringLiteral("rows%1.xlsx").arg(f), workbookFiles()[f]}}) {
            QFile file(QDir(folder).filePath(name));
            if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size())
                return false;
        }
    }
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    const char *option = "--write-inputs=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], option, std::strlen(option)) == 0) {
            QCoreApplication app(argc, argv);
            return writeInputs(QString::fromLocal8Bit(argv[i] + std::strlen(option))) ? 0 : 1;
        }
        if (std::strncmp(argv[i], readGrowthOption, std::strlen(readGrowthOption)) == 0) {
            // The allocator set up as the program and the other cases have it.
            preparePdfPageBuffers();
            QCoreApplication app(argc, argv);
            const double growth = readGrowth(QString::fromLocal8Bit(argv[i] + std::strlen(readGrowthOption)));
            std::printf("%.1f\n", growth);
            return growth < 0 ? 1 : 0;
        }
    }
    return runBenchmarks<QGuiApplication>(argc, argv);
}
