#include "engine/OrderedRunLog.h"

void TOrderedRunLog::Log(const QString &msg)
{
    if (FHeld.empty()) {
        FLog.Log(msg);
        return;
    }
    FHeld.push_back(THeld{THeld::TKind::Line, msg, {}, nullptr});
}

void TOrderedRunLog::Event(const TRunEvent &event)
{
    if (FHeld.empty()) {
        FLog.Event(event);
        return;
    }
    FHeld.push_back(THeld{THeld::TKind::Event, {}, event, nullptr});
}

bool TOrderedRunLog::AskPassword(const QString &host, const QString &user, bool &rememberPassword,
                                 QString &password)
{
    return FLog.AskPassword(host, user, rememberPassword, password);
}

bool TOrderedRunLog::AskTrustCertificate(const TCertificateInfo &info)
{
    return FLog.AskTrustCertificate(info);
}

std::shared_ptr<TOrderedRunLog::TPlace> TOrderedRunLog::Reserve()
{
    auto place = std::make_shared<TPlace>();
    FHeld.push_back(THeld{THeld::TKind::Place, {}, {}, place});
    return place;
}

void TOrderedRunLog::Fill(const std::shared_ptr<TPlace> &place, std::function<void()> tell)
{
    place->FTell = std::move(tell);
    place->FFilled = true;
    release();
}

void TOrderedRunLog::release()
{
    while (!FHeld.empty()) {
        THeld &front = FHeld.front();
        if (front.Kind == THeld::TKind::Place) {
            if (!front.Place->FFilled)
                return;
            std::function<void()> tell = std::move(front.Place->FTell);
            FHeld.pop_front();
            // What the telling logs goes out at once only while nothing else is held: a later
            // place still waiting keeps its own followers behind it.
            std::deque<THeld> rest;
            rest.swap(FHeld);
            tell();
            // Whatever the telling logged went straight out (nothing was held during it).
            for (THeld &held : rest)
                FHeld.push_back(std::move(held));
            continue;
        }
        if (front.Kind == THeld::TKind::Line)
            FLog.Log(front.Line);
        else
            FLog.Event(front.Event);
        FHeld.pop_front();
    }
}
