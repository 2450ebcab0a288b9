#include "servicefixture.h"

#include <regex>

void ServiceFixture::SetUp()
{
    service = std::make_unique<ServiceProcess>(data.path());
    ASSERT_TRUE(service->started()) << service->log().toStdString();
}

int ServiceFixture::signUp(const std::string& name, const std::string& password)
{
    const httplib::Params form{{"username", name}, {"password", password}, {"confirm", password}};
    const auto reply = service->client()->Post("/?page=login", form);
    return reply ? reply->status : -1;
}

std::string ServiceFixture::verify(const std::string& name, const std::string& password,
                                   const std::optional<std::string>& numSlides)
{
    const auto reply = service->client()->Post("/?action=verify", verifyParts(name, md5Hex(password), numSlides));
    return reply ? reply->body : std::string("no reply");
}

std::string ServiceFixture::code(const std::string& name, const std::string& password, const std::string& numSlides)
{
    const std::string reply = verify(name, password, numSlides);
    EXPECT_TRUE(reply.starts_with("OKAY,")) << reply;
    return reply.size() >= 13 ? reply.substr(5, 8) : std::string();
}

std::string ServiceFixture::upload(const httplib::MultipartFormDataItems& parts)
{
    const auto reply = service->client()->Post("/?action=upload", parts);
    return reply ? reply->body : std::string("no reply");
}

std::string ServiceFixture::publish(const std::string& name, const std::string& password, const StoryParts& story)
{
    const std::string reply = verify(name, password, story.numSlides());
    if (!reply.starts_with("OKAY,") || reply.size() < 21)
        return "VERIFY " + reply;
    // The program posts to whatever address verify handed out.
    const std::string address = reply.substr(14);
    EXPECT_TRUE(address.starts_with(service->base())) << address;
    const auto uploaded =
        service->client()->Post(address.substr(service->base().size()), uploadParts(name, reply.substr(5, 8), story));
    return uploaded ? uploaded->body : std::string("no reply");
}

httplib::Result ServiceFixture::get(const std::string& path)
{
    return service->client()->Get(path);
}

long long storyId(const std::string& reply)
{
    static const std::regex okay("OKAY=([0-9]{1,18})");
    std::smatch match;
    return std::regex_match(reply, match, okay) ? std::stoll(match[1].str()) : -1;
}

std::vector<std::string> mediaLinks(const std::string& page)
{
    static const std::regex src("src=\"(/media/[^\"]+)\"");
    std::vector<std::string> links;
    for (auto it = std::sregex_iterator(page.begin(), page.end(), src); it != std::sregex_iterator(); ++it)
        links.push_back((*it)[1].str());
    return links;
}
