#include "effectlabel/answerlabelform.h"

#include "effectlabel/effectlabelmodel.h"

void ApplyAnswerLabelForm(EffectLabelModel &label)
{
    label.SetColourHighlight(clLime);
    label.SetGraduateFrom(clWindowText);
    label.SetColourScheme(csCustom);
    label.SetAlignment(taCenter);
    EffectLabelFont font;
    font.Name = QStringLiteral("Times New Roman");
    font.Height = 19;
    font.Style = 0;
    font.Color = clGreen;
    label.SetFont(font);
}
