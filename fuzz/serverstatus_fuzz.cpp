// Fuzz target for the server's status and remote-console replies, which arrive from the network. Each input goes
// through both parsers as one datagram, with and without the reply header in front; whatever comes out must keep
// the limits the window relies on, or the target aborts and libFuzzer keeps the input.
#include "launch/ServerStatus.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void require(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "serverstatus_fuzz: %s\n", what);
        std::abort();
    }
}

bool shownAsGameText(const QString& text, bool lineBreaks)
{
    for (const QChar c : text) {
        const bool plain = c.unicode() >= 32 && c.unicode() < 127;
        if (!plain && c != QChar(0x00B7) && !(lineBreaks && c == u'\n'))
            return false;
    }
    return true;
}

void check(QByteArrayView datagram)
{
    if (const std::optional<server::Status> status = server::parseStatus(datagram)) {
        require(status->info.size() <= 64, "too many info pairs");
        require(status->players.size() <= 256, "too many players");
        for (qsizetype i = 0; i < status->info.size(); ++i) {
            const auto& [key, value] = status->info[i];
            require(!key.isEmpty() && key.size() <= 256 && value.size() <= 256, "info field out of bounds");
            require(shownAsGameText(key, false) && shownAsGameText(value, false), "info not shown as game text");
            for (qsizetype j = 0; j < i; ++j)
                require(status->info[j].first != key, "duplicate info key");
        }
        for (qsizetype i = 0; i < status->players.size(); ++i) {
            const server::Player& p = status->players[i];
            require(p.name.size() <= 256 && shownAsGameText(p.name, false), "bad player name");
            require(i == 0 || status->players[i - 1].frags >= p.frags, "players not sorted by frags");
        }
    }
    if (const std::optional<QString> text = server::parseRconReply(datagram))
        require(text->size() <= 64 * 1024 && shownAsGameText(*text, true), "bad console text");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView input(data, qsizetype(size));
    check(input);
    // Most random inputs lack the header; give every one a chance past it too.
    QByteArray framed("\xff\xff\xff\xffprint\n\\", 11);
    framed.append(input);
    check(framed);
    return 0;
}
