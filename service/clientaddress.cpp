#include "clientaddress.h"

#include <algorithm>
#include <arpa/inet.h>

namespace {

bool trusted(const std::string& address, const std::vector<std::string>& proxies)
{
    return std::find(proxies.begin(), proxies.end(), address) != proxies.end();
}

std::string trimmed(const std::string& text, std::size_t begin, std::size_t end)
{
    while (begin < end && (text[begin] == ' ' || text[begin] == '\t'))
        ++begin;
    while (end > begin && (text[end - 1] == ' ' || text[end - 1] == '\t'))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

bool isNumericAddress(const std::string& text)
{
    unsigned char buffer[16];
    return inet_pton(AF_INET, text.c_str(), buffer) == 1 || inet_pton(AF_INET6, text.c_str(), buffer) == 1;
}

std::string clientAddress(const httplib::Request& request, const std::vector<std::string>& trustedProxies)
{
    if (trustedProxies.empty() || !trusted(request.remote_addr, trustedProxies))
        return request.remote_addr;
    // Every proxy appends the address it was reached from; read from the right, past the
    // trusted ones. Several headers count as one list in their order.
    std::string list;
    const std::size_t headers = request.get_header_value_count("X-Forwarded-For");
    for (std::size_t i = 0; i < headers; ++i)
        list += (list.empty() ? "" : ",") + request.get_header_value("X-Forwarded-For", i);
    std::size_t end = list.size();
    while (end > 0) {
        const std::size_t comma = list.rfind(',', end - 1);
        const std::size_t begin = comma == std::string::npos ? 0 : comma + 1;
        const std::string address = trimmed(list, begin, end);
        if (!isNumericAddress(address))
            break;
        if (!trusted(address, trustedProxies))
            return address;
        if (comma == std::string::npos)
            break;
        end = comma;
    }
    return request.remote_addr;
}
