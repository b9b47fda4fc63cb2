#include "text/errors.hpp"

#include <cerrno>
#include <algorithm>
#include <cstring>

#include "text/codepage.hpp"

namespace tesra {

namespace {

std::string reason(int errno_value, bool for_writing) {
    switch (errno_value) {
    case ENOENT: return for_writing ? "a pasta não existe" : "o ficheiro não existe";
    case EACCES:
    case EPERM: return "sem permissão de acesso";
    case EISDIR: return "é uma pasta, não um ficheiro";
    case ENOTDIR: return "o caminho passa por algo que não é uma pasta";
    case ENAMETOOLONG: return "o nome é demasiado longo";
    case ENOSPC: return "o disco está cheio";
    case EDQUOT: return "a quota de disco foi excedida";
    case EROFS: return "o disco só permite leitura";
    case EIO: return "erro de entrada/saída do disco";
    case EFBIG: return "o ficheiro excede o tamanho permitido";
    default: return std::string("erro do sistema (") + std::strerror(errno_value) + ")";
    }
}

}  // namespace

TesraError file_error(std::string_view path, long line, std::string_view fault) {
    std::string text = "Erro no ficheiro \"";
    text += path;
    text += "\", linha ";
    text += std::to_string(line);
    text += ": ";
    text += fault;
    text += ".";
    return TesraError(text);
}

TesraError open_error(std::string_view path, int errno_value, bool for_writing) {
    std::string text = for_writing ? "Não é possível criar o ficheiro \"" : "Não é possível abrir o ficheiro \"";
    text += path;
    text += "\": ";
    text += reason(errno_value, for_writing);
    text += ".";
    return TesraError(text);
}

TesraError write_error(std::string_view path, int errno_value) {
    std::string text = "Erro ao escrever o ficheiro \"";
    text += path;
    text += "\": ";
    text += reason(errno_value, true);
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
