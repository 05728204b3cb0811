#pragma once

#include <QLabel>

namespace ww {

// A framed picture that can be clicked, or reached with Tab and pressed with
// Space or Enter like a button.
class PictureBox : public QLabel
{
    Q_OBJECT

public:
    explicit PictureBox(QWidget *parent = nullptr);

    // What a click, Space or Enter does; also the screen reader's press.
    void press() { Q_EMIT clicked(); }

Q_SIGNALS:
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
};

} // namespace ww
