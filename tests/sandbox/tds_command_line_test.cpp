// The sandbox's command line and its SQL Browser answer.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include "tds/browser.h"
#include "tds/command_line.h"
#include "tds/socket.h"

using namespace sandbox::tds;

namespace {

std::string errorOf(const std::vector<std::string>& args)
{
    const auto parsed = parseCommandLine(args);
    const auto* error = std::get_if<std::string>(&parsed);
    return error ? *error : "";
}

}  // namespace

TEST(TdsCommandLine, ParsesEveryOptionAndDefaultsToSa)
{
    const auto parsed = parseCommandLine({"--data", "/tmp/d", "--port", "14330", "--login", "u1:p:w", "--sample",
                                          "--login", "U2:", "--browser-port", "0", "--work-delay-ms", "250"});
    ASSERT_TRUE(std::holds_alternative<CommandLine>(parsed));
    const auto& options = std::get<CommandLine>(parsed);
    EXPECT_EQ(options.dataDirectory, "/tmp/d");
    EXPECT_EQ(options.port, 14330);
    EXPECT_TRUE(options.sample);
    ASSERT_TRUE(options.browserPort);
    EXPECT_EQ(*options.browserPort, 0);
    EXPECT_EQ(options.logins, (std::map<std::string, std::string>{{"u1", "p:w"}, {"U2", ""}}));
    EXPECT_EQ(options.workDelayMs, 250u);
    EXPECT_FALSE(options.help);

    const auto plain = std::get<CommandLine>(parseCommandLine({"--data", "d"}));
    EXPECT_EQ(plain.port, 0);
    EXPECT_FALSE(plain.sample);
    EXPECT_FALSE(plain.browserPort);
    EXPECT_EQ(plain.logins, (std::map<std::string, std::string>{{"sa", ""}}));
    EXPECT_EQ(plain.workDelayMs, 0u);
    EXPECT_TRUE(std::get<CommandLine>(parseCommandLine({"--help"})).help) << "no --data needed to ask for help";

    EXPECT_EQ(errorOf({}), "--data DIR is required");
    EXPECT_EQ(errorOf({"--data"}), "--data needs a value");
    EXPECT_EQ(errorOf({"--data", "d", "--port", "70000"}), "--port needs a port number from 0 to 65535, not '70000'");
    EXPECT_EQ(errorOf({"--data", "d", "--port", "-1"}), "--port needs a port number from 0 to 65535, not '-1'");
    EXPECT_EQ(errorOf({"--data", "d", "--login", "nopassword"}), "--login needs NAME:PASSWORD, not 'nopassword'");
    EXPECT_EQ(errorOf({"--data", "d", "--login", ":x"}), "--login needs NAME:PASSWORD, not ':x'");
    EXPECT_EQ(errorOf({"--data", "d", "--verbose"}), "unknown option '--verbose'");
    EXPECT_EQ(errorOf({"--data", "d", "--work-delay-ms", "10001"}),
              "--work-delay-ms needs a number of milliseconds from 0 to 10000, not '10001'");
    EXPECT_EQ(errorOf({"--data", "d", "--work-delay-ms", "-5"}),
              "--work-delay-ms needs a number of milliseconds from 0 to 10000, not '-5'");
}

TEST(TdsBrowser, AnswersTheExRequestsAndOnlyItsOwnInstance)
{
    const std::string record = "ServerName;SANDBOX;InstanceName;MSSQLSERVER;IsClustered;No;Version;8.00.760;tcp;14330;;";
    std::vector<std::uint8_t> expected{0x05, static_cast<std::uint8_t>(record.size()), 0};
    expected.insert(expected.end(), record.begin(), record.end());
    const std::vector<std::uint8_t> unicast{0x03}, broadcast{0x02};
    EXPECT_EQ(browserReply(unicast, "SANDBOX", 14330), expected);
    EXPECT_EQ(browserReply(broadcast, "SANDBOX", 14330), expected);
    EXPECT_EQ(browserReply(std::vector<std::uint8_t>{0x04, 'm', 's', 's', 'q', 'l', 's', 'e', 'r', 'v', 'e', 'r', 0},
                           "SANDBOX", 14330),
              expected);
    EXPECT_FALSE(browserReply(std::vector<std::uint8_t>{0x04, 'S', 'Q', 'L', 0}, "SANDBOX", 14330));
    EXPECT_FALSE(browserReply(std::vector<std::uint8_t>{0x0F, 0x01, 'X', 0}, "SANDBOX", 14330));
    EXPECT_FALSE(browserReply(std::vector<std::uint8_t>{}, "SANDBOX", 14330));

    // Live on UDP loopback.
    BrowserResponder responder(0, "SANDBOX", 14330);
    responder.start();
    FileDescriptor client(::socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(responder.port());
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const std::uint8_t request = 0x03;
    ASSERT_EQ(::sendto(client.get(), &request, 1, 0, reinterpret_cast<sockaddr*>(&to), sizeof to), 1);
    pollfd p{client.get(), POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 5000), 1);
    std::vector<std::uint8_t> answer(2048);
    const ssize_t n = ::recv(client.get(), answer.data(), answer.size(), 0);
    ASSERT_GT(n, 0);
    answer.resize(static_cast<std::size_t>(n));
    EXPECT_EQ(answer, expected);
    responder.stop();
}
