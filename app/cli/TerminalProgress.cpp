#include "app/cli/TerminalProgress.h"

#include <QByteArray>

#include <sys/ioctl.h>
#include <unistd.h>

namespace {

constexpr int kDefaultColumns = 80;
// Back to the start of the line, and erase from there to its end (ECMA-48 EL).
const QByteArray kEraseLine = QByteArrayLiteral("\r\x1b[K");

} // namespace

TTerminalProgress::TTerminalProgress(std::FILE *terminal, bool preview)
    : FTerminal(terminal), FPreview(preview)
{}

TTerminalProgress::~TTerminalProgress()
{
    Erase();
}

void TTerminalProgress::Count(const TRunEvent &event, Clock::time_point now)
{
    if (FEnded)
        return;
    if (event.Kind == TRunEventKind::RunEnded) {
        Erase();
        FEnded = true;
        return;
    }
    if (!FStarted || event.Kind == TRunEventKind::RunStarted) {
        FStarted = true;
        FStart = now;
    }
    FCounts.Count(event);
}

void TTerminalProgress::DrawIfDue(Clock::time_point now)
{
    if (!FStarted || FEnded || FHeld || !FPacer.Due(now))
        return;
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(now - FStart);
    const QString text = ProgressLineText(FCounts, elapsed, FPreview, columns());
    FPacer.Drawn(now);
    if (text == FShown)
        return;
    write(QByteArrayLiteral("\r") + text.toUtf8() + QByteArrayLiteral("\x1b[K"));
    FShown = text;
}

void TTerminalProgress::Erase()
{
    if (FShown.isEmpty())
        return;
    write(kEraseLine);
    FShown.clear();
}

TTerminalProgress::Clock::time_point TTerminalProgress::NextDraw() const
{
    if (!FStarted || FEnded)
        return Clock::time_point::max();
    return FPacer.NextDraw();
}

void TTerminalProgress::write(const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), FTerminal);
    std::fflush(FTerminal);
}

int TTerminalProgress::columns() const
{
    winsize size{};
    if (::ioctl(fileno(FTerminal), TIOCGWINSZ, &size) == 0 && size.ws_col > 0)
        return size.ws_col;
    return kDefaultColumns;
}
