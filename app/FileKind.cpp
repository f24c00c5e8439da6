#include "app/FileKind.h"

namespace {

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

} // namespace

std::string FileNamePart(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::string FolderPart(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string Extension(std::string_view path) {
    const std::string name = FileNamePart(path);
    const auto dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

std::string LowerExtension(std::string_view path) {
    std::string ext = Extension(path);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return ext;
}

bool HasTagReader(std::string_view path) {
    const std::string ext = LowerExtension(path);
    return ext == ".mp3" || ext == ".ogg" || ext == ".wma";
}

std::string DropLastChars(std::string_view text, std::size_t count) {
    std::size_t end = text.size();
    while (count > 0 && end > 0) {
        --end;
        while (end > 0 && isContinuationByte(text[end]))
            --end;
        --count;
    }
    return count > 0 ? std::string() : std::string(text.substr(0, end));
}
