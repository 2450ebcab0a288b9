#include "favicon.h"

#include <string>

namespace favicon {

namespace {

// 32 × 32: a dark frame, a sky with a sun, two hills and a white play sign in front.
constexpr std::string_view Icon =
    R"svg(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 32 32" width="32" height="32">
<rect x="1.5" y="4.5" width="29" height="23" rx="3" fill="#1d4e6b"/>
<rect x="4" y="7" width="24" height="18" rx="1.5" fill="#9ed3ea"/>
<circle cx="22.5" cy="11.5" r="2.5" fill="#ffd166"/>
<path d="M4 25V20l6-6 5 5 3-3 10 9z" fill="#2a9d8f"/>
<path d="M12.5 11v10l8.5-5z" fill="#fff" stroke="#1d4e6b" stroke-width="1.2" stroke-linejoin="round"/>
</svg>
)svg";

} // namespace

std::string_view svg()
{
    return Icon;
}

void reply(httplib::Response& response)
{
    response.status = 200;
    response.set_header("Cache-Control", "public, max-age=86400");
    response.set_header("X-Content-Type-Options", "nosniff");
    response.set_content(std::string(Icon), "image/svg+xml");
}

} // namespace favicon
