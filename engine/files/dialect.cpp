#include "files/dialect.hpp"

#include <algorithm>
#include <cstring>
#include <optional>

#include "text/angles.hpp"
#include "text/numtext.hpp"

namespace tesra {

namespace {

bool is_line_end(char c) noexcept { return c == '\r' || c == '\n'; }

bool blank(std::string_view s) noexcept { return s.find_first_not_of(" \t") == std::string_view::npos; }

std::string_view trim(std::string_view s) noexcept {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool is_number(std::string_view field, char mark) {
    double value = 0;
    return parse_dialect_number(field, mark, value);
}

// What a line dialect reads as M or P: under a geographic source, an
// angle in any form parse_angle takes, a latitude or a longitude alike
// (the reader tells them apart).
bool is_coordinate(std::string_view field, char mark, bool geographic) {
    if (is_number(field, mark)) return true;
    return geographic && (parse_angle(field, AngleKind::latitude, mark).fault == AngleFault::none ||
                          parse_angle(field, AngleKind::longitude, mark).fault == AngleFault::none);
}

bool all_digits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool ambiguous_comma_line(const std::vector<std::string_view>& fields) {
    if (fields.size() < 4) return false;
    std::string_view m = trim(fields[1]);
    const std::string_view p = trim(fields[2]);
    if (!m.empty() && (m.front() == '-' || m.front() == '+')) m.remove_prefix(1);
    return all_digits(m) && all_digits(p);
}

ColumnRole title_role(std::string_view title) {
    std::string key = plain_lower(title);
    std::erase_if(key, [](char c) { return c == ' ' || c == '\t' || c == '_' || c == '.'; });
    static const struct {
        const char* title;
        ColumnRole role;
    } roles[] = {
        {"nome", ColumnRole::name},      {"name", ColumnRole::name},       {"ponto", ColumnRole::name},
        {"point", ColumnRole::name},     {"id", ColumnRole::name},         {"designacao", ColumnRole::name},
        {"m", ColumnRole::m},            {"x", ColumnRole::m},             {"e", ColumnRole::m},
        {"este", ColumnRole::m},         {"leste", ColumnRole::m},         {"easting", ColumnRole::m},
        {"p", ColumnRole::p},            {"y", ColumnRole::p},             {"n", ColumnRole::p},
        {"norte", ColumnRole::p},        {"northing", ColumnRole::p},      {"cota", ColumnRole::height},
        {"z", ColumnRole::height},       {"h", ColumnRole::height},        {"altitude", ColumnRole::height},
        {"lat", ColumnRole::latitude},   {"latitude", ColumnRole::latitude}, {"lon", ColumnRole::longitude},
        {"long", ColumnRole::longitude}, {"longitude", ColumnRole::longitude},
    };
    for (const auto& r : roles) {
        if (key == r.title) return r.role;
    }
    return ColumnRole::none;
}

namespace {

// The order a header's titles put the fields in (see DialectDecision):
// empty where they give M and P no role, or give them where they stand.
struct HeaderRoles {
    DialectDecision::Refusal refusal = DialectDecision::Refusal::none;
    std::vector<std::size_t> order;
};

// Under a geographic source, the latitude is M and the longitude P; a
// header naming them beside M or P is as unclear as one naming M twice.
HeaderRoles header_roles(const std::vector<std::string_view>& titles, bool keep_positional = false,
                         bool geographic = false) {
    using Refusal = DialectDecision::Refusal;
    std::size_t at[4] = {SIZE_MAX, SIZE_MAX, SIZE_MAX, SIZE_MAX};  // name, M, P, height
    bool twice = false;
    bool angles = false, plane = false;
    for (std::size_t i = 0; i < titles.size(); ++i) {
        ColumnRole role = title_role(titles[i]);
        if (role == ColumnRole::latitude || role == ColumnRole::longitude) {
            if (!geographic) return {Refusal::geographic, {}};
            angles = true;
            role = role == ColumnRole::latitude ? ColumnRole::m : ColumnRole::p;
        } else if (role == ColumnRole::m || role == ColumnRole::p) {
            plane = true;
        }
        if (role == ColumnRole::none) continue;
        std::size_t& slot = at[static_cast<int>(role) - 1];
        twice = twice || slot != SIZE_MAX;
        if (slot == SIZE_MAX) slot = i;
    }
    if (at[1] == SIZE_MAX && at[2] == SIZE_MAX) return {};
    if (twice || (angles && plane) || at[1] == SIZE_MAX || at[2] == SIZE_MAX) return {Refusal::roles, {}};
    if (at[0] == 0 && at[1] == 1 && at[2] == 2 && !keep_positional) return {};
    std::vector<std::size_t> order = {at[0], at[1], at[2]};
    for (std::size_t i = 0; i < titles.size(); ++i) {
        if (i != at[0] && i != at[1] && i != at[2]) order.push_back(i);
    }
    return {Refusal::none, order};
}

// Where a title might stand: text that does not start the way a number does
// (a mistyped coordinate is an error to report, not a header to skip).
bool title_like(std::string_view field) {
    field = trim(field);
    return !field.empty() && std::strchr("+-.,0123456789", field.front()) == nullptr;
}

class Splitter {
public:
    // Empty when the quotes do not close.
    const std::vector<std::string_view>* operator()(std::string_view line, char separator) {
        return split_fields(line, separator, storage_, fields_) ? &fields_ : nullptr;
    }

private:
    std::string storage_;
    std::vector<std::string_view> fields_;
};

// The point-file format reads the line as whole records: fields in threes,
// a name and two numbers each.
bool whole_records(const std::vector<std::string_view>& f) {
    // Trailing commas, with spaces at most, are passed over.
    std::size_t n = f.size();
    while (n > 0 && f[n - 1].find_first_not_of(' ') == std::string_view::npos) --n;
    if (n == 0 || n % 3 != 0) return false;
    for (std::size_t i = 0; i < n; i += 3) {
        if (blank(f[i]) || !is_number(f[i + 1], '.') || !is_number(f[i + 2], '.')) return false;
    }
    return true;
}

// Whether the point-file format stops at the line's first record: a name,
// then an M that is no number (the token its reader takes, up to a comma,
// a blank or the line's end).
bool plain_refuses(std::string_view line) {
    if (line.empty() || line.front() == '"') return false;
    const std::size_t comma = line.find(',');
    if (comma == std::string_view::npos || blank(line.substr(0, comma))) return false;
    std::size_t i = comma + 1;
    while (i < line.size() && line[i] == ' ') ++i;
    std::size_t j = i;
    while (j < line.size() && line[j] != ',' && line[j] != ' ' && !is_line_end(line[j])) ++j;
    double value = 0;
    return j > i && !parse_number(line.substr(i, j - i), value);
}

}  // namespace

std::string column_order(std::string_view list, std::vector<std::size_t>& order, bool geographic) {
    std::vector<std::string_view> roles;
    for (std::size_t at = 0;;) {
        const std::size_t stop = std::min(list.find(',', at), list.size());
        const std::string_view role = trim(list.substr(at, stop - at));
        const ColumnRole known = title_role(role);
        if (!geographic && (known == ColumnRole::latitude || known == ColumnRole::longitude)) {
            return "--columns: \"" + std::string(role) + "\" só serve um Sistema 1 geográfico (etrs89geo, ptra08geo "
                   "ou wgs84)";
        }
        if (role != "-" && known == ColumnRole::none) {
            return "--columns: \"" + std::string(role) + "\" não é nome, m, p, lat, lon, cota nem - (uma coluna a mais)";
        }
        roles.push_back(role == "-" ? std::string_view() : role);
        if (stop == list.size()) break;
        at = stop + 1;
    }
    const HeaderRoles found = header_roles(roles, true, geographic);
    if (found.order.empty()) {
        return geographic ? "--columns leva lat e lon (ou m e p), uma vez cada (e nome, cota ou - por coluna)"
                          : "--columns leva m e p, uma vez cada (e nome, cota ou - por coluna)";
    }
    order = found.order;
    return {};
}

bool split_fields(std::string_view line, char separator, std::string& storage,
                  std::vector<std::string_view>& fields) {
    storage.clear();
    storage.reserve(line.size());  // views into it stay valid: it never grows past this
    fields.clear();
    std::size_t i = 0;
    if (separator == ' ') {
        const auto blank_at = [&line](std::size_t at) { return line[at] == ' ' || line[at] == '\t'; };
        for (;;) {
            while (i < line.size() && blank_at(i)) ++i;
            if (i == line.size()) return true;
            const std::size_t from = storage.size();
            bool quoted = false;
            while (i < line.size() && (quoted || !blank_at(i))) {
                if (line[i] == '"' && (quoted || i == 0 || blank_at(i - 1))) {
                    if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
                        storage += '"';
                        i += 2;
                        continue;
                    }
                    quoted = !quoted;
                    ++i;
                    continue;
                }
                storage += line[i++];
            }
            if (quoted) return false;
            fields.emplace_back(storage.data() + from, storage.size() - from);
        }
    }
    for (;;) {
        while (i < line.size() && line[i] == ' ' && separator != ' ') ++i;
        const std::size_t from = storage.size();
        bool quoted = false;
        if (i < line.size() && line[i] == '"') {
            quoted = true;
            ++i;
            for (;;) {
                if (i == line.size()) return false;
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        storage += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                storage += line[i++];
            }
        }
        // After a closing quote, text up to the separator is kept as well.
        const std::size_t stop = std::min(line.find(separator, i), line.size());
        storage.append(line.substr(i, stop - i));
        std::string_view field(storage.data() + from, storage.size() - from);
        if (!quoted) field = trim(field);
        fields.push_back(field);
        if (stop == line.size()) return true;
        i = stop + 1;
    }
}

bool parse_dialect_number(std::string_view field, char decimal_mark, double& value) noexcept {
    field = trim(field);
    if (decimal_mark == '.') return parse_number(field, value);
    char text[64];
    if (field.size() > sizeof text || field.find('.') != std::string_view::npos) return false;
    std::copy(field.begin(), field.end(), text);
    std::replace(text, text + field.size(), ',', '.');
    return parse_number({text, field.size()}, value);
}

DialectDecision decide_dialect(const std::vector<std::string_view>& lines, const PointFileDialect& dialect) {
    using Separator = PointFileDialect::Separator;
    const bool automatic = dialect.separator == Separator::automatic;
    const char forced_mark = dialect.decimal_comma ? ',' : automatic ? 0 : '.';
    const bool geographic = dialect.geographic;
    const auto coordinate = [geographic](std::string_view field, char mark) {
        return is_coordinate(field, mark, geographic);
    };
    Splitter split;

    // The reading a data line calls for, in order of preference: the
    // point-file format first, so that any file it reads reads as before.
    // `settled`: the fields a header line holds, which settles how many
    // a comma line has. With `empty_columns`, empty cells after P are
    // further columns (the next lines fill them).
    auto fits = [&](std::string_view line, char separator, std::size_t settled = 0,
                    bool empty_columns = false) -> std::optional<DialectDecision> {
        const auto* f = split(line, separator == 0 ? ',' : separator);
        if (f == nullptr) return std::nullopt;
        if (separator == 0) {
            if (forced_mark == ',' || !whole_records(*f)) return std::nullopt;
            return DialectDecision{};
        }
        if (f->size() < 3 || blank((*f)[0])) return std::nullopt;
        for (char mark : {'.', ','}) {
            if (forced_mark != 0 && mark != forced_mark) continue;
            if (separator == ',' && mark == ',') continue;
            if (!coordinate((*f)[1], mark) || !coordinate((*f)[2], mark)) continue;
            if (separator == ' ') {
                // Under --auto, a blank-separated line must show its decimals:
                // a name with a blank in it ("Marco 1") would shift every field.
                if (automatic && ((*f)[1].find(mark) == std::string_view::npos ||
                                  (*f)[2].find(mark) == std::string_view::npos)) {
                    continue;
                }
                return DialectDecision{separator, mark, false, f->size()};
            }
            if (separator != ',') return DialectDecision{separator, mark, false, f->size()};
            // Comma lines with further columns, unless the line may as well
            // be decimal commas ("-87345,210,-104877,530"): an integer M and
            // a P of bare digits, or records side by side, where no header
            // settles the count.
            // Empty fields after P are otherwise the trailing commas the
            // point-file format passes over: its reading, not further columns.
            const bool columns =
                f->size() > 3 && (empty_columns || std::any_of(f->begin() + 3, f->end(), [](std::string_view c) {
                                      return c.find_first_not_of(' ') != std::string_view::npos;
                                  }));
            if (columns && (f->size() == settled || (!whole_records(*f) && !ambiguous_comma_line(*f)))) {
                return DialectDecision{',', '.', false, f->size()};
            }
            // Under a geographic source, three fields whose angles that
            // format cannot read (degrees, minutes and seconds) are a comma
            // line, and so are the lines after one (`empty_columns`).
            if (geographic && f->size() == 3 && (empty_columns || !whole_records(*f))) {
                return DialectDecision{',', '.', false, 3};
            }
        }
        return std::nullopt;
    };
    std::vector<char> candidates;
    switch (dialect.separator) {
    case Separator::comma: candidates = {0}; break;
    case Separator::semicolon: candidates = {';'}; break;
    case Separator::tab: candidates = {'\t'}; break;
    case Separator::space: candidates = {' '}; break;
    case Separator::automatic: candidates = {0, ';', '\t', ',', ' '}; break;
    }
    DialectDecision decision{candidates.front(), dialect.decimal_comma ? ',' : '.', false, 0};
    std::optional<DialectDecision> found;
    if (!dialect.column_order.empty()) {
        // Roles by position: one record per line of as many fields as roles,
        // with the separator that splits the first line so.
        const std::vector<std::size_t>& order = dialect.column_order;
        const std::size_t count = order.size() - (order[0] == SIZE_MAX ? 1 : 0);
        if (candidates.size() > 1) candidates = {';', '\t', ','};
        found = DialectDecision{candidates.front() == 0 ? ',' : candidates.front(), decision.decimal_mark, false,
                                count, true};
        // Past a header (titles over the first line's M), if it has another layout.
        const std::size_t looked = std::min<std::size_t>(lines.size(), dialect.header ? 2 : 1);
        bool settled = false;
        for (std::size_t k = 0; k < looked && !settled; ++k) {
            for (char c : candidates) {
                const auto* f = split(lines[k], c == 0 ? ',' : c);
                if (f == nullptr || f->size() != count) continue;
                found->separator = c == 0 ? ',' : c;
                found->header = k == 1 || (dialect.header && !coordinate((*f)[order[1]], '.') &&
                                           !coordinate((*f)[order[1]], ','));
                settled = true;
                break;
            }
        }
        found->order = order;
    } else if (lines.empty() || (!automatic && !dialect.header)) {
        // Every line holds as many fields as the first.
        const auto* f = lines.empty() || decision.separator == 0 ? nullptr : split(lines[0], decision.separator);
        if (f != nullptr) decision.fields = f->size();
        return decision;
    }

    // A line dialect needs the next line to agree: a name holding a `;`
    // followed by two lines of numbers is the point-file format's.
    auto fits_from = [&](std::size_t first, char c, std::size_t settled) -> std::optional<DialectDecision> {
        std::optional<DialectDecision> d = fits(lines[first], c, settled);
        if (d && d->separator == 0 && automatic) {
            // Empty last cells the point-file format passes over, until a
            // later line fills them: a further column (an office program's
            // optional cell), not trailing commas.
            const auto* f = split(lines[first], ',');
            const std::size_t count = f == nullptr ? 0 : f->size();
            for (std::size_t i = first + 1; i < lines.size(); ++i) {
                if (fits(lines[i], 0)) continue;
                const std::optional<DialectDecision> filled = fits(lines[i], ',', settled);
                if (filled && filled->fields == count) return filled;
                break;
            }
        }
        // Blank-separated lines show their decimals: the first settles them.
        if (!d || d->separator == 0 || d->separator == ' ' || first + 1 == lines.size()) return d;
        const std::optional<DialectDecision> next = fits(lines[first + 1], c, settled, true);
        // A count that departs later is that line's fault, named as it is read.
        if (!next || (c == ',' && next->fields != d->fields)) return std::nullopt;
        return d;
    };
    for (char c : candidates) {
        if (found) break;
        found = fits_from(0, c, 0);
    }
    if (!found && dialect.header && lines.size() > 1) {
        for (char c : candidates) {
            const auto* f = split(lines[0], c == 0 ? ',' : c);
            const std::size_t titles = f == nullptr ? 0 : f->size();
            // Titles past P are further columns: not the point-file
            // format's records side by side.
            if (titles < 3 || (c == 0 && titles > 3)) continue;
            // Titles only: a line with a number in it is a faulty record.
            const bool titled =
                std::all_of(f->begin(), f->end(), [](std::string_view t) { return blank(t) || title_like(t); });
            HeaderRoles roles = titled ? header_roles(*f, false, geographic) : HeaderRoles{};
            if (roles.refusal != DialectDecision::Refusal::none) {
                decision.refusal = roles.refusal;
                return decision;
            }
            if (!roles.order.empty()) {
                // Read by the titles, a title for every field.
                const char separator = c == 0 ? ',' : c;
                const auto* g = split(lines[1], separator);
                if (g == nullptr || g->size() != titles) continue;
                const std::size_t name = roles.order[0], m = roles.order[1], p = roles.order[2];
                if (name != SIZE_MAX && blank((*g)[name])) continue;
                for (char mark : {'.', ','}) {
                    if ((forced_mark != 0 && mark != forced_mark) || (separator == ',' && mark == ',')) continue;
                    if (!coordinate((*g)[m], mark) || !coordinate((*g)[p], mark)) continue;
                    found = DialectDecision{separator, mark, true, titles, true};
                    found->order = std::move(roles.order);
                    break;
                }
                if (found) break;
                continue;
            }
            if (!title_like((*f)[1]) || !title_like((*f)[2])) continue;
            // Under a header, the first data line settles a line dialect:
            // a fault in the next is that line's.
            const std::optional<DialectDecision> below =
                c == 0 ? fits_from(1, c, 0) : fits(lines[1], c, c == ',' ? titles : 0, true);
            if (!below) continue;
            DialectDecision d = *below;
            d.header = true;
            d.count_settled = d.separator == ',' && titles == d.fields;
            found = d;
            break;
        }
    }
    if (!found && automatic && !lines.empty()) {
        // Integer coordinates and further columns, or decimal commas: the
        // first data line is refused as both, not read as either.
        const std::size_t first = dialect.header && lines.size() > 1 && !fits(lines[0], ',', 0, true) ? 1 : 0;
        const auto* f = split(lines[first], ',');
        if (f != nullptr && f->size() > 3 && is_number((*f)[1], '.') && is_number((*f)[2], '.') &&
            ambiguous_comma_line(*f)) {
            decision = {',', '.', first == 1, f->size(), false, DialectDecision::Refusal::two_ways, first};
            return decision;
        }
    }
    if (!found && automatic && !lines.empty() && plain_refuses(lines[0])) {
        // Nothing fits, and the point-file format stops at the first record:
        // read with the separator the first line holds, so that the message
        // names the field at fault. Whatever the format reads reads as before.
        for (char c : {';', '\t'}) {
            const auto* f = split(lines[0], c);
            if (f != nullptr && f->size() >= 3 && !title_like((*f)[1])) {
                found = DialectDecision{c, '.', false, 0};
                break;
            }
        }
    }
    if (!found && automatic && !lines.empty() && lines[0].find_first_of(",;") == std::string_view::npos) {
        // A blank-separated line whose name holds a blank: read so, for the
        // reader to say so (M and P with decimals apart).
        const auto* f = split(lines[0], ' ');
        if (f != nullptr && f->size() > 3 && is_number((*f)[2], '.') && is_number((*f)[3], '.') &&
            ((*f)[1].find('.') == std::string_view::npos) != ((*f)[2].find('.') == std::string_view::npos)) {
            found = DialectDecision{' ', '.', false, f->size()};
        }
    }
    if (!found) return decision;
    decision = *found;
    // With `;` or tab, one decimal comma in the first lines settles the mark.
    if (forced_mark == 0 && (decision.separator == ';' || decision.separator == '\t' || decision.separator == ' ')) {
        const std::size_t m = decision.order.empty() ? 1 : decision.order[1];
        const std::size_t p = decision.order.empty() ? 2 : decision.order[2];
        for (std::size_t i = decision.header ? 1 : 0; i < lines.size(); ++i) {
            const auto* f = split(lines[i], decision.separator);
            if (f == nullptr || f->size() <= std::max(m, p)) continue;
            if ((*f)[m].find(',') != std::string_view::npos || (*f)[p].find(',') != std::string_view::npos) {
                decision.decimal_mark = ',';
            }
        }
    }
    return decision;
}

}  // namespace tesra
