// The tool's look: the Fusion style with a dark palette.
#pragma once

class QApplication;

void ApplyDarkLook(QApplication& app);
