// AmountLabel: a label that always shows its whole text, for amounts whose length has no fixed
// bound (the totals of the record edit window: a quantity times a price). When the text is
// wider than the label at the label's own font, it is drawn in the largest smaller size of that
// font that fits; the label's font itself (what scaling and the collector's fonts set) is left
// as it is.
#pragma once

#include <QLabel>

namespace vz::edit {

class AmountLabel : public QLabel {
    Q_OBJECT
public:
    explicit AmountLabel(QWidget* parent = nullptr);

    // The font the text is drawn in: the label's font, made smaller as far as needed to fit.
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace vz::edit
