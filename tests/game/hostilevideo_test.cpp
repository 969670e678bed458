// The real program with hostile files as the first level's intro: odd sizes, texts FFmpeg would
// follow to a server or a UDP port, a named pipe, a plain text. Each run goes on to its end, shows
// the video error box or plays, and the program makes no connection and opens no network socket.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {
#include <libavutil/pixfmt.h>
}

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>

#include "scripted_run.h"
#include "videoencode.h"

namespace {

namespace fs = std::filesystem;

// A TCP server on the loopback interface that counts the connections it takes and closes each at
// once, so a program that connects is not left waiting.
class LoopbackServer {
public:
    LoopbackServer() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof addr;
        if (fd_ < 0 || ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &len) != 0)
            return;
        port_ = ntohs(addr.sin_port);
        thread_ = std::thread([this] {
            while (!stop_) {
                const int c = ::accept(fd_, nullptr, nullptr);
                if (c < 0) break;
                if (!stop_) ++connections_;
                ::close(c);
            }
        });
    }
    ~LoopbackServer() {
        stop_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(fd_);
    }
    int port() const { return port_; }
    int connections() const { return connections_; }

private:
    int fd_ = -1, port_ = 0;
    std::atomic<int> connections_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

std::string Link(const fs::path& p) {
    std::error_code ec;
    const fs::path target = fs::read_symlink(p, ec);
    return ec ? std::string() : target.string();
}

// The inodes of the process's internet sockets (TCP, UDP, raw, over IPv4 or IPv6).
std::set<std::string> InternetSockets(const fs::path& proc) {
    std::set<std::string> inodes;
    for (const char* table : {"tcp", "tcp6", "udp", "udp6", "raw", "raw6"}) {
        std::ifstream in(proc / "net" / table);
        std::string line;
        std::getline(in, line);  // the header
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string field;
            for (int i = 0; i < 10 && fields >> field; ++i) {
            }
            inodes.insert(field);
        }
    }
    std::set<std::string> found;
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator(proc / "fd", ec)) {
        const std::string target = Link(fd.path());
        if (target.rfind("socket:[", 0) == 0) {
            const std::string inode = target.substr(8, target.size() - 9);
            if (inodes.count(inode)) found.insert(inode);
        }
    }
    return found;
}

class HostileVideoTest : public gametest::ScriptedRunTest {
protected:
    fs::path Intro() const { return folder_ / "nivel1" / "intro.avi"; }

    void WriteText(const std::string& text) {
        fs::remove(Intro());
        std::ofstream(Intro(), std::ios::binary) << text;
    }
    void WriteClip(int width, int height, const mediagen::VideoFormat& format) {
        fs::remove(Intro());
        mediagen::EncodeVideo(
            Intro(), width, height, 25, 10,
            [&](int i) {
                mediagen::Image img(width, height);
                for (int y = 0; y < height; ++y)
                    for (int x = 0; x < width; ++x) img.Set(x, y, 200, 40 + 10 * i, 60);
                return img;
            },
            format);
    }

    // Runs the program while another thread watches the game's process (found by its program and
    // its current folder) for internet sockets; true when it saw one.
    bool RunWatched(int* pnExit) {
        bDone_ = false;
        std::atomic<bool> bSocket{false}, bSeen{false};
        const fs::path game = fs::canonical(ABISALIA_GAME_PATH), here = fs::canonical(folder_);
        std::thread watcher([&] {
            while (!bDone_) {
                std::error_code ec;
                for (const auto& entry : fs::directory_iterator("/proc", ec)) {
                    const std::string name = entry.path().filename();
                    if (name.find_first_not_of("0123456789") != std::string::npos) continue;
                    if (Link(entry.path() / "exe") != game.string() || Link(entry.path() / "cwd") != here.string())
                        continue;
                    bSeen = true;
                    if (!InternetSockets(entry.path()).empty()) bSocket = true;
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
        *pnExit = Run("40 end\n");
        bDone_ = true;
        watcher.join();
        EXPECT_TRUE(bSeen) << "the watcher never found the program";
        return bSocket;
    }
};

constexpr const char* kSourceBox = "Could not create source filter to graph!  hr=0x";

TEST_F(HostileVideoTest, EachIntroPlaysOrShowsTheBoxAndTouchesNoNetwork) {
    LoopbackServer server;
    ASSERT_GT(server.port(), 0);
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/";
    // The port the SDP would have the program listen on.
    const int nUdpPort = 40000 + ::getpid() % 20000;

    struct Case {
        const char* name;
        std::function<void()> write;
        const char* box;  // null: the intro plays
    } cases[] = {
        {"MPEG-4 2 x 32, the width that overran the frame copy", [&] { WriteClip(2, 32, {}); }, nullptr},
        {"FFV1 7 x 5",
         [&] {
             WriteClip(7, 5, {"matroska", "ffv1"});
         },
         nullptr},
        {"FFV1 63 x 33, 4:4:4",
         [&] {
             WriteClip(63, 33, {"matroska", "ffv1", AV_PIX_FMT_YUV444P});
         },
         nullptr},
        {"DASH manifest",
         [&] {
             WriteText(
                 "<?xml version=\"1.0\"?>\n<MPD xmlns=\"urn:mpeg:dash:schema:mpd:2011\" "
                 "profiles=\"urn:mpeg:dash:profile:isoff-on-demand:2011\" type=\"static\" "
                 "mediaPresentationDuration=\"PT2S\" minBufferTime=\"PT1S\">\n<Period>\n<AdaptationSet "
                 "mimeType=\"video/mp4\">\n<Representation id=\"1\" bandwidth=\"1000\" width=\"32\" "
                 "height=\"16\">\n<BaseURL>" +
                 url +
                 "</BaseURL>\n<SegmentList duration=\"1\">\n"
                 "<Initialization sourceURL=\"init.mp4\"/>\n<SegmentURL media=\"s1.m4s\"/>\n</SegmentList>\n"
                 "</Representation>\n</AdaptationSet>\n</Period>\n</MPD>\n");
         },
         kSourceBox},
        {"HLS playlist",
         [&] { WriteText("#EXTM3U\n#EXT-X-TARGETDURATION:1\n#EXTINF:1,\n" + url + "s.ts\n#EXT-X-ENDLIST\n"); },
         kSourceBox},
        {"SDP",
         [&] {
             WriteText("v=0\no=- 0 0 IN IP4 127.0.0.1\ns=intro\nc=IN IP4 0.0.0.0\nt=0 0\nm=video " +
                       std::to_string(nUdpPort) + " RTP/AVP 96\na=rtpmap:96 MP4V-ES/90000\n");
         },
         kSourceBox},
        {"named pipe",
         [&] {
             fs::remove(Intro());
             ASSERT_EQ(::mkfifo(Intro().c_str(), 0600), 0);
         },
         kSourceBox},
        {"plain text", [&] { WriteText("Este archivo no es un video.\n"); }, kSourceBox},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.write();
        int nExit = -1;
        const int nConnections = server.connections();
        const bool bSocket = RunWatched(&nExit);
        EXPECT_EQ(server.connections(), nConnections) << "the program connected to the test's server";
        const std::string log = Log();
        EXPECT_EQ(nExit, 0) << log;
        EXPECT_FALSE(bSocket) << "the program opened an internet socket";
        if (c.box) {
            EXPECT_NE(log.find("Video Texture"), std::string::npos) << log;
            EXPECT_NE(log.find(c.box), std::string::npos) << log;
        } else {
            EXPECT_EQ(log.find("Video Texture"), std::string::npos) << log;
        }
    }
}

}  // namespace
