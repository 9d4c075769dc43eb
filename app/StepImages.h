// The three 24 x 24 images of the steps list: 0 an empty box (pending), 1 a box with a green
// tick (done), 2 a box filled red (not possible yet).
#pragma once

#include <QIcon>

QIcon StepImage(int index);
