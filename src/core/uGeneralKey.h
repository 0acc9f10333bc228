#pragma once

class QDate;

// The "General" group of the settings: whether the first-run acknowledgement was received
// and the day the most-popular list was last received.
bool IsFirstRun();
void MarkFirstRunDone();
// Day number of the last received most-popular list, 0 when none was ever stored.
int ReadPopularDate();
void WritePopularDate(const QDate& day);

// Whole days counted from 30 December 1899 (day 0): 1 January 2000 is day 36526.
int DayNumber(const QDate& day);
