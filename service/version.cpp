#include "version.h"

#include <algorithm>

namespace version {

std::optional<std::vector<int>> parse(std::string_view text)
{
    std::vector<int> numbers;
    while (true) {
        const std::size_t dot = text.find('.');
        const std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 6)
            return std::nullopt;
        int value = 0;
        for (const char c : part) {
            if (c < '0' || c > '9')
                return std::nullopt;
            value = value * 10 + (c - '0');
        }
        numbers.push_back(value);
        if (dot == std::string_view::npos)
            return numbers;
        if (numbers.size() >= 8)
            return std::nullopt;
        text.remove_prefix(dot + 1);
    }
}

int compare(const std::vector<int>& a, const std::vector<int>& b)
{
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const int x = i < a.size() ? a[i] : 0;
        const int y = i < b.size() ? b[i] : 0;
        if (x != y)
            return x < y ? -1 : 1;
    }
    return 0;
}

bool atLeast(std::string_view text, std::string_view reference)
{
    const auto a = parse(text);
    const auto b = parse(reference);
    return a && b && compare(*a, *b) >= 0;
}

} // namespace version
