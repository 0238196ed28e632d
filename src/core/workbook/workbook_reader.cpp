#include "core/workbook/workbook_reader.hpp"

#include "core/workbook/zip_parts.hpp"

#include <pugixml.hpp>

#include <cstring>
#include <unordered_map>

namespace velvane {

namespace {

// No part of a workbook may decompress to more than this: a small file cannot blow up the memory.
constexpr std::size_t part_limit = std::size_t(1) << 30;

const char* const office_document_type = "/officeDocument";
const char* const shared_strings_type = "/sharedStrings";
const char* const worksheet_type = "/worksheet";

// Tag names without their namespace prefix: generators differ in the prefixes they use.
const char* local_name(const char* name) {
    const char* colon = std::strrchr(name, ':');
    return colon == nullptr ? name : colon + 1;
}

bool is(pugi::xml_node node, const char* name) {
    return node.type() == pugi::node_element && std::strcmp(local_name(node.name()), name) == 0;
}

pugi::xml_node child(pugi::xml_node node, const char* name) {
    for (pugi::xml_node c = node.first_child(); c; c = c.next_sibling()) {
        if (is(c, name)) return c;
    }
    return pugi::xml_node();
}

// The attribute of that local name, whatever its prefix ("r:id").
pugi::xml_attribute attribute(pugi::xml_node node, const char* name) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        if (std::strcmp(local_name(a.name()), name) == 0 && std::strncmp(a.name(), "xmlns", 5) != 0) return a;
    }
    return pugi::xml_attribute();
}

bool ends_with(const std::string& text, const char* tail) {
    std::size_t n = std::strlen(tail);
    return text.size() >= n && text.compare(text.size() - n, n, tail) == 0;
}

void parse_part(ZipParts& zip, const std::string& name, pugi::xml_document& document) {
    std::string text = zip.read(name, part_limit);
    pugi::xml_parse_result parsed = document.load_buffer(
        text.data(), text.size(), pugi::parse_default | pugi::parse_ws_pcdata_single, pugi::encoding_auto);
    if (!parsed) {
        throw WorkbookError(name + ": malformed XML at byte " + std::to_string(parsed.offset) + ": " +
                            parsed.description());
    }
}

// "xl/workbook.xml" and "worksheets/sheet1.xml" give "xl/worksheets/sheet1.xml"; a target that
// starts with "/" is taken from the archive's root; "." and ".." pieces are resolved.
std::string resolved_target(const std::string& source_part, const std::string& target) {
    std::string joined;
    if (!target.empty() && target[0] == '/') {
        joined = target.substr(1);
    } else {
        std::size_t slash = source_part.rfind('/');
        joined = (slash == std::string::npos ? std::string() : source_part.substr(0, slash + 1)) + target;
    }
    std::vector<std::string> pieces;
    std::size_t from = 0;
    while (from <= joined.size()) {
        std::size_t to = joined.find('/', from);
        if (to == std::string::npos) to = joined.size();
        std::string piece = joined.substr(from, to - from);
        if (piece == "..") {
            if (!pieces.empty()) pieces.pop_back();
        } else if (!piece.empty() && piece != ".") {
            pieces.push_back(piece);
        }
        from = to + 1;
    }
    std::string path;
    for (const std::string& piece : pieces) path += (path.empty() ? "" : "/") + piece;
    return path;
}

// "xl/workbook.xml" gives "xl/_rels/workbook.xml.rels".
std::string relationships_part(const std::string& part) {
    std::size_t slash = part.rfind('/');
    std::string folder = slash == std::string::npos ? std::string() : part.substr(0, slash + 1);
    std::string file = slash == std::string::npos ? part : part.substr(slash + 1);
    return folder + "_rels/" + file + ".rels";
}

struct Relationship {
    std::string type;
    std::string target;  // resolved to a part name
};

std::unordered_map<std::string, Relationship> relationships(ZipParts& zip, const std::string& part) {
    std::unordered_map<std::string, Relationship> found;
    std::string rels = relationships_part(part);
    if (!zip.has(rels)) return found;
    pugi::xml_document document;
    parse_part(zip, rels, document);
    for (pugi::xml_node r = child(document, "Relationships").first_child(); r; r = r.next_sibling()) {
        if (!is(r, "Relationship")) continue;
        if (std::strcmp(r.attribute("TargetMode").value(), "External") == 0) continue;
        found[r.attribute("Id").value()] = {r.attribute("Type").value(),
                                            resolved_target(part, r.attribute("Target").value())};
    }
    return found;
}

int hex_digit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void append_utf8(std::string& out, unsigned code) {
    if (code >= 0xD800 && code <= 0xDFFF) code = 0xFFFD;  // a lone surrogate stands for nothing
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// The spreadsheet's escapes of characters XML cannot carry: "_x000D_" is a carriage return, and
// "_x005F_" an underscore that would otherwise start such an escape.
std::string unescaped(const char* text) {
    std::string out;
    for (const char* p = text; *p != '\0';) {
        if (p[0] == '_' && p[1] == 'x') {
            int d[4] = {hex_digit(p[2]), p[2] ? hex_digit(p[3]) : -1, -1, -1};
            if (d[1] >= 0) d[2] = hex_digit(p[4]);
            if (d[2] >= 0) d[3] = hex_digit(p[5]);
            if (d[0] >= 0 && d[1] >= 0 && d[2] >= 0 && d[3] >= 0 && p[6] == '_') {
                unsigned code = static_cast<unsigned>((d[0] << 12) | (d[1] << 8) | (d[2] << 4) | d[3]);
                append_utf8(out, code);
                p += 7;
                continue;
            }
        }
        out += *p++;
    }
    return out;
}

// A shared or inline string: its own text, or its runs' texts joined; phonetic runs (rPh) are not
// part of the text.
std::string string_item(pugi::xml_node item) {
    std::string text;
    for (pugi::xml_node part = item.first_child(); part; part = part.next_sibling()) {
        if (is(part, "t")) {
            text += part.child_value();
        } else if (is(part, "r")) {
            text += child(part, "t").child_value();
        }
    }
    return unescaped(text.c_str());
}

std::vector<std::string> shared_strings(ZipParts& zip, const std::string& part) {
    std::vector<std::string> strings;
    if (part.empty() || !zip.has(part)) return strings;
    pugi::xml_document document;
    parse_part(zip, part, document);
    for (pugi::xml_node item = child(document, "sst").first_child(); item; item = item.next_sibling()) {
        if (is(item, "si")) strings.push_back(string_item(item));
    }
    return strings;
}

// "B7" gives column 1 (A is 0); -1 when the reference has no letters.
std::int64_t column_of(const char* reference) {
    std::int64_t column = 0;
    const char* p = reference;
    for (; (*p >= 'A' && *p <= 'Z') || (*p >= 'a' && *p <= 'z'); ++p) {
        column = column * 26 + ((*p | 0x20) - 'a' + 1);
        if (column > 16384) return -1;
    }
    return p == reference ? -1 : column - 1;
}

class SheetReader {
public:
    SheetReader(const std::vector<std::string>& strings, std::size_t columns, const std::string& part)
        : strings_(strings), columns_(columns), part_(part) {}

    std::vector<WorkbookRow> rows(pugi::xml_node worksheet) const {
        std::vector<WorkbookRow> rows;
        std::int64_t previous = 0;
        for (pugi::xml_node row = child(child(worksheet, "worksheet"), "sheetData").first_child(); row;
             row = row.next_sibling()) {
            if (!is(row, "row")) continue;
            WorkbookRow read;
            long long number = row.attribute("r").as_llong(0);
            read.number = number > 0 ? number : previous + 1;
            previous = read.number;
            std::int64_t column = -1;
            bool any = false;
            for (pugi::xml_node cell = row.first_child(); cell; cell = cell.next_sibling()) {
                if (!is(cell, "c")) continue;
                std::int64_t at = column_of(cell.attribute("r").value());
                column = at >= 0 ? at : column + 1;
                if (column < 0 || static_cast<std::size_t>(column) >= columns_) continue;
                std::string text = cell_text(cell);
                if (text.empty()) continue;
                if (read.cells.size() <= static_cast<std::size_t>(column)) read.cells.resize(column + 1);
                read.cells[column] = std::move(text);
                any = true;
            }
            if (any) rows.push_back(std::move(read));
        }
        return rows;
    }

private:
    std::string cell_text(pugi::xml_node cell) const {
        std::string type = cell.attribute("t").value();
        pugi::xml_node value = child(cell, "v");
        if (type == "inlineStr") return string_item(child(cell, "is"));
        if (!value) return std::string();
        std::string written = value.child_value();
        if (type == "s") {
            char* end = nullptr;
            unsigned long index = std::strtoul(written.c_str(), &end, 10);
            if (written.empty() || *end != '\0' || index >= strings_.size()) {
                throw WorkbookError(part_ + ": cell " + cell.attribute("r").value() +
                                    " names shared string " + written + ", which the workbook does not hold");
            }
            return strings_[index];
        }
        if (type == "b") return written == "1" ? "TRUE" : written == "0" ? "FALSE" : written;
        if (type == "str") return unescaped(written.c_str());
        return written;  // a number, an error code or a date, as written
    }

    const std::vector<std::string>& strings_;
    std::size_t columns_;
    const std::string& part_;
};

}  // namespace

std::vector<WorkbookSheet> read_workbook(const unsigned char* data, std::size_t size, std::size_t columns) {
    try {
        ZipParts zip(data, size);
        std::string workbook_part = "xl/workbook.xml";
        for (const auto& [id, r] : relationships(zip, "")) {
            if (ends_with(r.type, office_document_type)) workbook_part = r.target;
        }
        if (!zip.has(workbook_part)) throw WorkbookError("no workbook part (" + workbook_part + ")");
        pugi::xml_document workbook;
        parse_part(zip, workbook_part, workbook);
        std::unordered_map<std::string, Relationship> parts = relationships(zip, workbook_part);
        std::string strings_part;
        for (const auto& [id, r] : parts) {
            if (ends_with(r.type, shared_strings_type)) strings_part = r.target;
        }
        std::vector<std::string> strings = shared_strings(zip, strings_part);
        std::vector<WorkbookSheet> sheets;
        pugi::xml_node list = child(child(workbook, "workbook"), "sheets");
        for (pugi::xml_node sheet = list.first_child(); sheet; sheet = sheet.next_sibling()) {
            if (!is(sheet, "sheet")) continue;
            auto found = parts.find(attribute(sheet, "id").value());
            if (found == parts.end() || !ends_with(found->second.type, worksheet_type)) continue;
            const std::string& part = found->second.target;
            pugi::xml_document worksheet;
            parse_part(zip, part, worksheet);
            WorkbookSheet read;
            read.name = sheet.attribute("name").value();
            read.rows = SheetReader(strings, columns, part).rows(worksheet);
            sheets.push_back(std::move(read));
        }
        if (!child(workbook, "workbook")) throw WorkbookError(workbook_part + ": no workbook element");
        return sheets;
    } catch (const ZipError& error) {
        throw WorkbookError(error.what());
    }
}

}  // namespace velvane
