#pragma once

#include "core/AppTexts.h"

#include <QString>

// Where the error box says a guarded procedure stopped: "in Vantrel2021/08/31.<module>.<procedure> ".
// Users quote these texts in their reports and peers search for them, so they keep the names the program
// has always printed, although the code calls the procedures by what they do. They are data, kept here
// and nowhere else.
namespace ErrorLocations
{
inline const QString StartUp = AppTexts::location("Form1", "Form_Load");
inline const QString SaveHostList = AppTexts::location("Form1", "Form_QueryUnload");
inline const QString AddHost = AppTexts::location("Form1", "PushButton6_Click");
inline const QString ClearList = AppTexts::location("Form1", "PushButton1_Click");
inline const QString LoadSampleData = AppTexts::location("Form1", "PushButton7_Click");
inline const QString LoadListFiles = AppTexts::location("Form1", "PushButton3_Click");
inline const QString StartOrStop = AppTexts::location("Form1", "PushButton17_Click");
inline const QString ClearResults = AppTexts::location("Form1", "PushButton2_Click");
inline const QString RecordOutcome = AppTexts::location("Form1", "Timer1_Timer");
inline const QString SaveAsText = AppTexts::location("Form1", "PushButton4_Click");
inline const QString WriteTextFile = AppTexts::location("Main", "SaveListviewProperlySpaced");
inline const QString CopyToClipboard = AppTexts::location("Form1", "PushButton5_Click");
inline const QString SaveAsWorkbook = AppTexts::location("Form1", "PushButton13_Click");

// Where recording a batch of outcomes stopped: the first outcome's kind.
struct RecordOutcomeStep {
    enum : int { Success = 150, Failure = 170 };
};
} // namespace ErrorLocations
