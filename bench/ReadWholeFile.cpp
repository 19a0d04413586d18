#include "Contenders.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace bench {

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    // Sized once, so that reading leaves no larger peak behind than the text.
    std::string text(static_cast<std::size_t>(std::filesystem::file_size(path)), '\0');
    if (!in.read(text.data(), static_cast<std::streamsize>(text.size())))
        throw std::runtime_error("cannot read " + path);
    return text;
}

}  // namespace bench
