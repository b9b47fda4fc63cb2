#include "text/errors.hpp"

#include <algorithm>

#include "text/codepage.hpp"

namespace tesra {

namespace {

std::string reason(os::Error error, bool for_writing) {
    switch (os::fault_of(error)) {
    case os::Fault::missing: return for_writing ? "a pasta não existe" : "o ficheiro não existe";
    case os::Fault::denied: return "sem permissão de acesso";
    case os::Fault::is_folder: return "é uma pasta, não um ficheiro";
    case os::Fault::not_folder: return "o caminho passa por algo que não é uma pasta";
    case os::Fault::name_too_long: return "o nome é demasiado longo";
    case os::Fault::disk_full: return "o disco está cheio";
    case os::Fault::quota_exceeded: return "a quota de disco foi excedida";
    case os::Fault::read_only: return "o disco só permite leitura";
    case os::Fault::device: return "erro de entrada/saída do disco";
    case os::Fault::too_large: return "o ficheiro excede o tamanho permitido";
    case os::Fault::exists:
    case os::Fault::other: break;
    }
    return "erro do sistema (" + os::describe(error) + ")";
}

}  // namespace

std::string shown_name(std::string_view path) {
    std::string shown;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
        } else if (c == '\n' || c == '\r' || c == '\t') {
            shown += c == '\n' ? "\\n" : c == '\r' ? "\\r" : "\\t";
        } else {
            constexpr char hex[] = "0123456789ABCDEF";
            shown += "\\x";
            shown += hex[byte >> 4];
            shown += hex[byte & 0xF];
        }
    }
    return shown;
}

TesraError file_error(std::string_view path, long line, std::string_view fault) {
    std::string text = "Erro no ficheiro \"";
    text += shown_name(path);
    text += "\", linha ";
    text += std::to_string(line);
    text += ": ";
    text += fault;
    text += ".";
    return TesraError(text);
}

TesraError open_error(std::string_view path, os::Error error, bool for_writing) {
    std::string text = for_writing ? "Não é possível criar o ficheiro \"" : "Não é possível abrir o ficheiro \"";
    text += shown_name(path);
    text += "\": ";
    text += reason(error, for_writing);
    text += ".";
    return TesraError(text);
}

TesraError write_error(std::string_view path, os::Error error) {
    std::string text = "Erro ao escrever o ficheiro \"";
    text += shown_name(path);
    text += "\": ";
    text += reason(error, true);
    text += ".";
    return TesraError(text);
}

std::string quote_excerpt(std::string_view text, TextEncoding encoding) {
    constexpr std::size_t limit = 40;
    std::string shown;
    std::size_t used = 0;
    if (encoding == TextEncoding::utf8) {
        // Whole characters only; a byte that starts none shows as "?".
        while (used < text.size() && used < limit) {
            const std::size_t length = utf8_char_length(text.substr(used));
            shown += length == 0 ? std::string_view("?") : text.substr(used, length);
            used += length == 0 ? 1 : length;
        }
    } else {
        used = std::min(limit, text.size());
        shown = cp1252_to_utf8(text.substr(0, used));
    }
    std::string out = "\"";
    // Control bytes (a NUL in a damaged file, say) would cut or garble the message.
    for (char c : shown) out += static_cast<unsigned char>(c) < 0x20 ? '?' : c;
    out += used < text.size() ? "...\"" : "\"";
    return out;
}

}  // namespace tesra
