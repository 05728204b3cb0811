#pragma once

#include "record_form.h"

class QWidget;

namespace ww {

class PictureBox;

// The editor's form as its design lays it out, built on `form`.
struct FormControls
{
    // The ten fields' controls, each with its caption, by the field table.
    RecordForm::Controls fields{};
    // The record's picture box, "img".
    PictureBox *portrait = nullptr;
};

// The pictures, the fields, the portrait and the two addresses, in the
// design's focus order.
FormControls buildForm(QWidget *form);

} // namespace ww
