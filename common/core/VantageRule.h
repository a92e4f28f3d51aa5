#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <limits>
#include <optional>

class ExtraSettings;

// When the outage log calls a host down, given what several vantage points
// see: `all` live vantages find it silent (the default), `any` one does, or
// at least K do. Stored as the setting "vantage.rule": "all", "any" or K.
//
// Times here are seconds since 1970 (UTC): vantages may lie in different
// time zones, and their moments are compared with each other.
class VantageRule
{
public:
    enum class Kind { All, Any, AtLeast };

    static constexpr char SettingName[] = "vantage.rule";
    static constexpr int MaxCount = 1000;
    static constexpr qint64 Open = std::numeric_limits<qint64>::max();

    VantageRule() = default;  // all
    static VantageRule all() { return VantageRule(); }
    static VantageRule any() { return VantageRule(Kind::Any, 1); }
    static VantageRule atLeast(int count) { return VantageRule(Kind::AtLeast, count); }

    // "all", "any" or a whole number from 1 to MaxCount (blanks around it
    // and the case of the words do not matter); nothing otherwise.
    static std::optional<VantageRule> fromText(const QString &text);
    // The stored rule; missing or unusable reads as `all`, as before any
    // rule was chosen.
    static VantageRule fromSettings(const ExtraSettings &settings);
    QString text() const;

    Kind kind() const { return m_kind; }
    int count() const { return m_count; }
    // How many live vantages must find a host silent for it to be down.
    // 0 when it can never be: no vantage is live, or K exceeds them.
    int threshold(int liveVantages) const;

    bool operator==(const VantageRule &other) const { return m_kind == other.m_kind && m_count == other.m_count; }

    // One vantage's outage of one address: [begin, end), end Open while it lasts.
    struct Interval
    {
        QString vantage;
        qint64 begin = 0;
        qint64 end = Open;
    };

    struct Verdict
    {
        // Whether at least `threshold` vantages find the address silent now.
        bool down = false;
        // Since when, without a break: the moment the count last reached
        // the threshold. Set only when down.
        qint64 since = 0;
        // The vantages that find it silent now (fewer than the threshold
        // when it is not down), by name.
        QStringList vantagesDown;
        // For an open log row given to judge(): the first moment after its
        // begin at which fewer than the threshold were down (the end of
        // one of the intervals, or `now` when none tells), if there was one.
        std::optional<qint64> rowEnd;
        // Every stretch in which the rule held and that has ended, oldest
        // first, with the vantages that found the address silent in it: a
        // history learned late may hold outages nobody saw while they lasted.
        struct Stretch
        {
            qint64 begin = 0;
            qint64 end = 0;
            QStringList vantages;
        };
        QList<Stretch> past;
    };

    // Applies a threshold to the intervals of one address, all of live
    // vantages (a stale vantage's are left out by the caller). A vantage's
    // overlapping or touching intervals count as one; moments later than
    // `now` (a clock ahead of the caller's) count as `now`. A threshold of 0
    // is never down.
    static Verdict judge(const QList<Interval> &intervals, int threshold, qint64 now,
                         std::optional<qint64> openRowBegin = std::nullopt);

private:
    VantageRule(Kind kind, int count) : m_kind(kind), m_count(count) {}

    Kind m_kind = Kind::All;
    int m_count = 0;
};
