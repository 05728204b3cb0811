#pragma once

#include <QWidget>

namespace ww {

// Where a picture for the record will be chosen; empty for now.
class ImageSelectWindow : public QWidget
{
    Q_OBJECT

public:
    explicit ImageSelectWindow(QWidget *owner);
};

} // namespace ww
