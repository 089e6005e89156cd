// A TCP relay that adds a fixed delay to every byte in each direction, so
// that a copy on one machine sees the round trip of a LAN:
//
//     duskferry_relay TARGET_PORT DELAY_MICROSECONDS
//
// Listens on a free loopback port, prints it, and relays every connection to
// 127.0.0.1:TARGET_PORT until killed. The delay is latency only: bytes are
// held back until their time has come, never throttled.
#include <arpa/inet.h>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Chunk {
    Clock::time_point due;
    std::vector<char> bytes; // empty: the sender closed its side
};

void noDelay(int socket) {
    const int on = 1;
    setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

// One direction: a reader that stamps what arrives and a writer that sends it
// when its time has come.
void pump(int from, int to, std::chrono::microseconds delay) {
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<Chunk> chunks;
    std::thread writer([&] {
        for (;;) {
            Chunk chunk;
            {
                std::unique_lock lock(mutex);
                arrived.wait(lock, [&] { return !chunks.empty(); });
                chunk = std::move(chunks.front());
                chunks.pop_front();
            }
            std::this_thread::sleep_until(chunk.due);
            if (chunk.bytes.empty()) {
                shutdown(to, SHUT_WR);
                return;
            }
            std::size_t sent = 0;
            while (sent < chunk.bytes.size()) {
                const ssize_t n =
                    send(to, chunk.bytes.data() + sent, chunk.bytes.size() - sent, MSG_NOSIGNAL);
                if (n <= 0) {
                    shutdown(from, SHUT_RD);
                    return;
                }
                sent += std::size_t(n);
            }
        }
    });
    std::vector<char> buffer(256 * 1024);
    for (;;) {
        const ssize_t n = recv(from, buffer.data(), buffer.size(), 0);
        Chunk chunk{Clock::now() + delay, {}};
        if (n > 0) {
            chunk.bytes.assign(buffer.data(), buffer.data() + n);
        }
        {
            std::lock_guard lock(mutex);
            chunks.push_back(std::move(chunk));
        }
        arrived.notify_one();
        if (n <= 0) {
            break;
        }
    }
    writer.join();
}

void relay(int client, int targetPort, std::chrono::microseconds delay) {
    const int server = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(std::uint16_t(targetPort));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(server, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(client);
        close(server);
        return;
    }
    noDelay(client);
    noDelay(server);
    std::thread up([=] { pump(client, server, delay); });
    pump(server, client, delay);
    up.join();
    close(client);
    close(server);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: duskferry_relay TARGET_PORT DELAY_MICROSECONDS\n");
        return 2;
    }
    const int targetPort = std::atoi(argv[1]);
    const std::chrono::microseconds delay(std::atoi(argv[2]));
    std::signal(SIGPIPE, SIG_IGN);

    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 64) != 0 ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        std::perror("duskferry_relay");
        return 1;
    }
    std::printf("%d\n", ntohs(address.sin_port));
    std::fflush(stdout);
    for (;;) {
        const int client = accept(listener, nullptr, nullptr);
        if (client >= 0) {
            std::thread(relay, client, targetPort, delay).detach();
        }
    }
}
