// show: the fields of each file as a table for people or as JSON.
#include "cli/Commands.h"
#include "cli/Json.h"
#include "core/FileList.h"

#include <algorithm>
#include <array>

namespace velmora::cli {

namespace {

struct Column {
    const char* heading;
    Field field;
    std::size_t widest; // longer values are cut
};

constexpr std::array<Column, 7> columns{{
    {"TRACK", Field::Track, 7},
    {"TITLE", Field::Title, 30},
    {"ARTIST", Field::Artist, 24},
    {"ALBUM", Field::Album, 24},
    {"YEAR", Field::Year, 10},
    {"GENRE", Field::Genre, 16},
    {"COMMENT", Field::Comment, 40},
}};

constexpr std::array<std::pair<const char*, Field>, 7> jsonKeys{{
    {"title", Field::Title},
    {"artist", Field::Artist},
    {"album", Field::Album},
    {"year", Field::Year},
    {"genre", Field::Genre},
    {"comment", Field::Comment},
    {"track", Field::Track},
}};

bool isContinuation(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

std::size_t charCount(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return !isContinuation(c); }));
}

// A value on one line: line breaks and tabs written as \n, \r, \t; cut to at
// most `widest` characters.
std::string cell(const std::string& value, std::size_t widest) {
    std::string text;
    for (char c : value) {
        if (c == '\n')
            text += "\\n";
        else if (c == '\r')
            text += "\\r";
        else if (c == '\t')
            text += "\\t";
        else if (static_cast<unsigned char>(c) < 0x20)
            text += '?';
        else
            text += c;
    }
    if (charCount(text) <= widest)
        return text;
    std::size_t end = 0;
    for (std::size_t kept = 0; end < text.size(); ++end)
        if (!isContinuation(text[end]) && kept++ == widest - 1)
            break;
    return text.substr(0, end) + "\u2026";
}

void pad(std::string& line, const std::string& text, std::size_t width) {
    line += text;
    for (std::size_t n = charCount(text); n < width; ++n)
        line += ' ';
}

void printLine(std::ostream& out, std::string& line) {
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    out << line << '\n';
    line.clear();
}

bool failed(const core::Row& row) {
    return row.state == core::RowState::ReadFailed || !row.format;
}

std::string failureOf(const core::Row& row) {
    if (!row.format)
        return core::namingFile(row.path, "Velmora does not know this kind of file.");
    return row.problem;
}

// The front covers of the rows, read once (null where there is none). A
// cover that cannot be read is reported, naming the file and the reason.
using Covers = std::vector<std::shared_ptr<const Picture>>;

Covers coversOf(const core::FileList& list, std::ostream& err, int& status) {
    Covers covers;
    for (const core::Row& row : list.rows()) {
        if (failed(row)) {
            covers.push_back(nullptr);
            continue;
        }
        core::CoverView view = list.coverOf(row.id);
        if (view.kind == core::CoverView::Failed) {
            reportFailure(err, view.problem);
            status = 1;
        }
        covers.push_back(std::move(view.picture));
    }
    return covers;
}

// "image/jpeg 512345 B 600x600"
std::string coverText(const Picture& picture) {
    std::string text = picture.mime + " " + std::to_string(picture.size()) + " B";
    if (const auto pixels = imagePixelSize(picture.data ? *picture.data : std::string()))
        text += " " + std::to_string(pixels->width) + "x" + std::to_string(pixels->height);
    return text;
}

void printTable(std::span<const core::Row> rows, const Covers& covers, std::ostream& out) {
    // Cells first, to size the columns.
    std::vector<std::array<std::string, columns.size()>> cells(rows.size());
    std::array<std::size_t, columns.size()> widths{};
    std::size_t pathWidth = 4, formatWidth = 6;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        pathWidth = std::max(pathWidth, charCount(rows[r].path));
        if (rows[r].format)
            formatWidth = std::max(formatWidth, rows[r].format->name.size());
        for (std::size_t c = 0; c < columns.size(); ++c) {
            cells[r][c] = cell(rows[r].current[columns[c].field], columns[c].widest);
            widths[c] = std::max({widths[c], charCount(cells[r][c]),
                                  std::char_traits<char>::length(columns[c].heading)});
        }
    }
    const bool anyCover =
        std::any_of(covers.begin(), covers.end(), [](const auto& c) { return c; });
    std::string line;
    pad(line, "FILE", pathWidth + 2);
    pad(line, "FORMAT", formatWidth + 2);
    for (std::size_t c = 0; c < columns.size(); ++c)
        pad(line, columns[c].heading, widths[c] + 2);
    if (anyCover)
        line += "COVER";
    printLine(out, line);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const core::Row& row = rows[r];
        pad(line, row.path, pathWidth + 2);
        if (failed(row)) {
            line += "error: " + cell(failureOf(row), 400);
        } else {
            pad(line, std::string(row.format->name), formatWidth + 2);
            for (std::size_t c = 0; c < columns.size(); ++c)
                pad(line, cells[r][c], widths[c] + 2);
            if (covers[r])
                line += coverText(*covers[r]);
        }
        printLine(out, line);
    }
}

void printJson(const core::Row& row, const Picture* cover, std::ostream& out) {
    out << "{\"path\": " << jsonString(row.path);
    if (!isUtf8(row.path))
        out << ", \"path_bytes\": \"" << base64(row.path) << '"';
    out << ", \"format\": ";
    if (row.format)
        out << jsonString(row.format->name);
    else
        out << "null";
    if (failed(row)) {
        out << ", \"error\": " << jsonString(failureOf(row)) << '}';
        return;
    }
    for (const auto& [key, field] : jsonKeys)
        out << ", \"" << key << "\": " << jsonString(row.current[field]);
    out << ", \"cover\": ";
    if (!cover) {
        out << "null}";
        return;
    }
    out << "{\"mime\": " << jsonString(cover->mime) << ", \"bytes\": " << cover->size();
    if (const auto pixels = imagePixelSize(cover->data ? *cover->data : std::string()))
        out << ", \"width\": " << pixels->width << ", \"height\": " << pixels->height;
    out << "}}";
}

} // namespace

int runShow(const Arguments& args, std::ostream& out, std::ostream& err) {
    core::FileList list;
    list.add(args.files);
    int status = 0;
    for (const core::Row& row : list.rows())
        if (failed(row)) {
            reportFailure(err, failureOf(row));
            status = 1;
        }
    const Covers covers = coversOf(list, err, status);
    if (args.json) {
        out << "[";
        for (std::size_t i = 0; i < list.size(); ++i) {
            out << (i == 0 ? "\n  " : ",\n  ");
            printJson(list.at(i), covers[i].get(), out);
        }
        out << "\n]\n";
    } else {
        printTable(list.rows(), covers, out);
    }
    return status;
}

} // namespace velmora::cli
