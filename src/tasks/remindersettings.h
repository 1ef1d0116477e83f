#pragma once

// Whether and how early the diary announces appointments: group "promemoria" of
// $XDG_CONFIG_HOME/vespolari/vespolari.conf. A value that is not one (a word, out of range)
// reads as the default, so a hand-edited file never stops the diary.
struct ReminderSettings
{
    static constexpr int kDefaultMinutes = 15;
    static constexpr int kMaxMinutes = 1440;

    bool active = true;
    int minutes = kDefaultMinutes;

    static ReminderSettings load();
    void save() const;
};
