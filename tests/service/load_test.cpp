#include "servicefixture.h"

#include <latch>
#include <set>
#include <thread>

namespace {

using ServiceLoadTest = ServiceFixture;

TEST_F(ServiceLoadTest, TwentyConcurrentPublicationsAreAllKept)
{
    // GIVEN two users publishing twenty ten-slide stories at the same moment
    constexpr int Publications = 20;
    ASSERT_EQ(signUp("ann", "pw"), 200);
    ASSERT_EQ(signUp("bob", "pw"), 200);
    std::vector<std::string> replies(Publications);
    std::vector<StoryParts> stories;
    for (int i = 0; i < Publications; ++i)
        stories.push_back(StoryParts::picture(10, "load" + std::to_string(i)));
    {
        std::latch start(Publications);
        std::vector<std::jthread> threads;
        for (int i = 0; i < Publications; ++i) {
            threads.emplace_back([&, i] {
                const std::string user = i % 2 ? "bob" : "ann";
                const auto client = service->client();
                start.arrive_and_wait();
                const auto verified = client->Post("/?action=verify", verifyParts(user, md5Hex("pw"), "10"));
                if (!verified || !verified->body.starts_with("OKAY,")) {
                    replies[i] = "VERIFY " + (verified ? verified->body : httplib::to_string(verified.error()));
                    return;
                }
                const auto uploaded =
                    client->Post("/?action=upload", uploadParts(user, verified->body.substr(5, 8), stories[i]));
                replies[i] = uploaded ? uploaded->body : httplib::to_string(uploaded.error());
            });
        }
    }
    // THEN every one got its own id
    std::set<long long> ids;
    for (int i = 0; i < Publications; ++i) {
        EXPECT_GT(storyId(replies[i]), 0) << replies[i];
        ids.insert(storyId(replies[i]));
    }
    EXPECT_EQ(ids.size(), std::size_t(Publications));
    // AND every story kept its own ten slides and files
    for (int i = 0; i < Publications; ++i) {
        const std::string page = get("/?page=detail&cid=" + std::to_string(storyId(replies[i])))->body;
        EXPECT_NE(page.find("<h1>Story load" + std::to_string(i) + "</h1>"), std::string::npos);
        const std::vector<std::string> links = mediaLinks(page);
        ASSERT_EQ(links.size(), 30u);
        for (int s = 0; s < 10; ++s) {
            EXPECT_EQ(get(links[2 * s])->body, stories[i].slides[s].photo);
            EXPECT_EQ(get(links[2 * s + 1])->body, stories[i].slides[s].audio);
        }
    }
    const std::string list = get("/")->body;
    for (int i = 0; i < Publications; ++i)
        EXPECT_NE(list.find(">Story load" + std::to_string(i) + "<"), std::string::npos);
}

} // namespace
