#include "job.hpp"

#include <sys/stat.h>

#include <filesystem>
#include <vector>

#include "codepage.hpp"
#include "grid.hpp"
#include "numtext.hpp"
#include "point_file.hpp"
#include "routes.hpp"
#include "routines.hpp"

namespace tesra {

namespace {

// The path a link leads to, followed to its end even when the file it
// names does not exist yet (a link to an intermediate file, say).
std::string follow_links(std::string path) {
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        std::error_code ec;
        const std::filesystem::path target = std::filesystem::read_symlink(path, ec);
        if (ec) break;
        path = target.is_absolute() ? target.string() : (std::filesystem::path(path).parent_path() / target).string();
    }
    return path;
}

// Whether two path texts name the same file, however spelt: the same inode
// when both exist, else the same normalised absolute path.
bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0) {
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    }
    std::error_code ec1, ec2;
    const auto ca = std::filesystem::weakly_canonical(std::filesystem::absolute(follow_links(a), ec1), ec1);
    const auto cb = std::filesystem::weakly_canonical(std::filesystem::absolute(follow_links(b), ec2), ec2);
    return !ec1 && !ec2 && ca == cb;
}

bool exists_but_not_regular(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
}

// Refuses, before any file is touched, an output that would destroy the
// user's input or parameters or be deleted with the intermediates, and
// intermediate names that do not name plain files of our own.
bool paths_are_safe(const TransformationJob& job, bool generic, const std::string& grid_dir, Services& services) {
    auto refuse = [&](const std::string& message) {
        services.message_box(message);
        return false;
    };
    const std::string output = "O ficheiro ASCII no Sistema 2 (\"" + job.fich3 + "\") ";
    if (same_file(job.fich3, job.fich1)) return refuse(output + "é o próprio ficheiro de entrada. Escolha outro nome.");
    for (const std::string* intermediate : {&job.fich2, &job.fich2a}) {
        if (same_file(job.fich3, *intermediate)) {
            return refuse(output + "é um ficheiro intermédio do programa, apagado no fim. Escolha outro nome.");
        }
        if (same_file(job.fich1, *intermediate) || exists_but_not_regular(*intermediate)) {
            return refuse("O ficheiro intermédio \"" + *intermediate +
                          "\" já existe e não é um ficheiro comum; mude-o de lugar ou escolha outro ficheiro de "
                          "entrada.");
        }
    }
    if (generic) {
        for (const std::string* parameters : {&job.fich_par_m, &job.fich_par_p}) {
            if (same_file(job.fich3, *parameters)) {
                return refuse(output + "é um dos ficheiros de parâmetros. Escolha outro nome.");
            }
        }
    }
    // The grids serve every later run: a report must never take their place.
    for (const GridParameters* grids : {&grid_73_to_lisboa, &grid_lisboa_to_73}) {
        for (std::string_view name : {grids->m_file, grids->p_file}) {
            if (same_file(job.fich3, grid_file_path(grid_dir, name))) {
                return refuse(output + "é um dos ficheiros de grelha do programa. Escolha outro nome.");
            }
        }
    }
    return true;
}

// Print zones of 14 columns: the next field starts at the next zone start.
void append_zoned(std::string& line, std::string_view field) {
    if (!line.empty()) line.append((line.size() / 14 + 1) * 14 - line.size(), ' ');
    line += field;
}

void write_report(const TransformationJob& job, const std::string& source, const std::string& target,
                  char separator) {
    FieldReader in(job.fich2);
    OutputFile out(job.fich3);
    const std::string dashes(62, '-');
    std::string header;
    header += utf8_to_cp1252("Transformação : " + source + " --> " + target) + "\r\n\r\n";
    header += dashes + "\r\n\r\n";
    header += utf8_to_cp1252("Coordenadas : " + target) + "\r\n\r\n";
    std::string titles;
    for (const char* title : {"Nome", "   M", "   P"}) append_zoned(titles, title);
    header += titles + "\r\n\r\n";
    out.write(header);

    PointRecord record;
    char m_text[fixed3_text_capacity];
    char p_text[fixed3_text_capacity];
    while (in.read_record(record)) {
        const std::size_t m_length = static_cast<std::size_t>(write_fixed3(m_text, record.m, separator) - m_text);
        const std::size_t p_length = static_cast<std::size_t>(write_fixed3(p_text, record.p, separator) - p_text);
        const std::size_t n = record.name.size();
        // Zone starts after the name and after M; fields are never cut.
        const std::size_t m_at = (n / 14 + 1) * 14;
        const std::size_t p_at = ((m_at + m_length) / 14 + 1) * 14;
        const std::size_t total = p_at + p_length + 2;
        char* const line = out.reserve(total);
        std::char_traits<char>::copy(line, record.name.data(), n);
        std::char_traits<char>::assign(line + n, m_at - n, ' ');
        std::char_traits<char>::copy(line + m_at, m_text, m_length);
        std::char_traits<char>::assign(line + m_at + m_length, p_at - m_at - m_length, ' ');
        std::char_traits<char>::copy(line + p_at, p_text, p_length);
        line[total - 2] = '\r';
        line[total - 1] = '\n';
        out.commit(total);
    }
    out.close();
}

}  // namespace

JobOutcome Command1_Click(const WindowTexts& window, Environment& env) {
    Services& services = env.services;
    TransformationJob job;
    job.fich1 = window.Text1;
    job.fich2 = window.Text1 + "_tmp";
    job.fich2a = window.Text1 + "_tmp2a";
    job.fich3 = window.Text2;
    job.fich_par_m = window.Text3;
    job.fich_par_p = window.Text4;
    const std::string& source = window.Combo1;
    const std::string& target = window.Combo2;

    // Every check runs, so one press may show up to four messages.
    bool refused = false;
    auto check = [&](bool holds, std::string_view message) {
        if (!holds) return;
        services.message_box(message);
        refused = true;
    };
    const bool generic = source == qualquer_name;
    check(!source.empty() && job.fich1.empty(), "Escolher o ficheiro ASCII no Sistema 1!!");
    check(!source.empty() && job.fich3.empty(), "Definir o ficheiro ASCII no Sistema 2!!");
    check(generic && job.fich_par_m.empty(), "Definir o ficheiro de parâmetros em X!!");
    check(generic && job.fich_par_p.empty(), "Definir o ficheiro de parâmetros em Y!!");
    if (refused) return JobOutcome::refused;

    const RouteLookup lookup = find_route(source, target);
    if (lookup.kind != RouteLookup::Kind::found) {
        if (lookup.kind == RouteLookup::Kind::source_not_recognised) services.message_box("Definir o Sistema 1 !!");
        if (target.empty()) {
            services.message_box("Definir o Sistema 2 !!");
            return JobOutcome::refused;
        }
        return lookup.kind == RouteLookup::Kind::source_not_recognised ? JobOutcome::refused
                                                                        : JobOutcome::target_not_served;
    }
    const TransformationRoute& route = *lookup.route;

    if (!paths_are_safe(job, generic, env.grid_dir, services)) return JobOutcome::refused;

    // The intermediates this job wrote, to remove whatever way it ends.
    std::vector<std::string> written;
    auto remove_intermediates = [&] {
        for (const std::string& path : written) remove_regular_file(path);
    };
    auto fail = [&] {
        remove_intermediates();
        services.set_pointer(Pointer::normal);
        return JobOutcome::failed;
    };
    auto run = [&](Routine routine) {
        const RoutineStatus status = run_routine(routine, job, env);
        if (status == RoutineStatus::done) written.push_back(job.fich2);
        return status;
    };

    RoutineStatus status = run(route.first);
    if (status == RoutineStatus::done && route.second) {
        job.fich1 = job.fich2;
        job.fich2 = job.fich2a;
        status = run(*route.second);
    }
    if (status == RoutineStatus::out_of_limits) {
        // The routine has removed its own output; what earlier steps wrote
        // stays, and the program ends.
        services.set_pointer(Pointer::normal);
        services.end_program();
        return JobOutcome::stopped;
    }
    if (status == RoutineStatus::failed) return fail();

    try {
        write_report(job, source, target, env.decimal_separator);
    } catch (const TesraError& e) {
        services.message_box(e.what());
        return fail();
    }
    remove_intermediates();
    services.set_pointer(Pointer::normal);
    services.completion_message("Criado o ficheiro: " + job.fich3, program_title);
    services.end_program();
    return JobOutcome::completed;
}

}  // namespace tesra
