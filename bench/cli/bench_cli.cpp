// `velstrom-cli status` as an operator or a monitoring script runs it: a new process each time, which starts, loads
// Qt, asks a full 64-player server for its status and prints it. The whole round must stay under 100 ms.
//
// The server is a stand-in on 127.0.0.1 answering from its own thread with a reply of 64 players.
#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fcntl.h>
#include <thread>

extern char** environ;

namespace {

QByteArray fullServer()
{
    QByteArray reply("\xff\xff\xff\xffprint\n", 10);
    reply += "\\cheats\\0\\deathmatch\\1\\dmflags\\16\\fraglimit\\50\\hostname\\Velstrom Capture\\mapname\\q2dm1"
             "\\maxclients\\64\\maxspectators\\4\\needpass\\0\\protocol\\34\\timelimit\\20\\version\\bench\n";
    for (int i = 0; i < 64; ++i)
        reply += QByteArray::number((i * 37) % 80 - 5) + ' ' + QByteArray::number(20 + i) + " \"player" +
                 QByteArray::number(i) + "\"\n";
    return reply;
}

// Answers every datagram with the full server's status until stopped.
class StandInServer {
public:
    StandInServer() : m_reply(fullServer())
    {
        m_fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
        socklen_t length = sizeof address;
        ::getsockname(m_fd, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
        timeval wait{0, 100000};
        ::setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &wait, sizeof wait);
        m_thread = std::thread([this] { serve(); });
    }
    ~StandInServer()
    {
        m_stop = true;
        m_thread.join();
        ::close(m_fd);
    }
    int port() const { return m_port; }

private:
    void serve()
    {
        char buffer[2048];
        while (!m_stop) {
            sockaddr_in from{};
            socklen_t length = sizeof from;
            if (::recvfrom(m_fd, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length) > 0)
                ::sendto(m_fd, m_reply.constData(), size_t(m_reply.size()), 0, reinterpret_cast<sockaddr*>(&from),
                         length);
        }
    }

    QByteArray m_reply;
    int m_fd = -1;
    int m_port = 0;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void BM_StatusCommand64(benchmark::State& state)
{
    StandInServer server;
    QTemporaryDir root;
    const QByteArray programDir = QDir(root.path()).filePath(QStringLiteral("quake2/Velstrom")).toLocal8Bit();
    QDir().mkpath(QString::fromLocal8Bit(programDir));
    const QByteArray address = "127.0.0.1:" + QByteArray::number(server.port());
    // VELSTROM_CLI in the environment times another build's program (a Release one) with this harness.
    const QByteArray program = qEnvironmentVariableIsSet("VELSTROM_CLI") ? qgetenv("VELSTROM_CLI") : VELSTROM_CLI;
    char* argv[] = {const_cast<char*>(program.constData()), const_cast<char*>("status"),
                    const_cast<char*>("--address"), const_cast<char*>(address.constData()),
                    const_cast<char*>("--dir"), const_cast<char*>(programDir.constData()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv, environ) != 0 || ::waitpid(pid, &status, 0) != pid ||
            !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("velstrom-cli status failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}
BENCHMARK(BM_StatusCommand64)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
