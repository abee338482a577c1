#pragma once
#include <QStringList>

namespace pelorin::test {

// The 22 lines of a new label page description with the editor's initial fields: a sheet "Avery"
// of 210 x 297 mm, 4 rows and 2 columns of 100 x 50 mm labels, no component.
inline const QStringList kInitialDescriptionLines = {
    QStringLiteral("<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"),
    QStringLiteral("<Page>"),
    QStringLiteral("<Format>"),
    QStringLiteral("<Reference>Avery</Reference>"),
    QStringLiteral("<Largeur>210</Largeur>"),
    QStringLiteral("<Hauteur>297</Hauteur>"),
    QStringLiteral("<Ligne>4</Ligne>"),
    QStringLiteral("<Colonne>2</Colonne>"),
    QStringLiteral("<MargeGauche>5</MargeGauche>"),
    QStringLiteral("<MargeDroite>5</MargeDroite>"),
    QStringLiteral("<MargeHaute>10</MargeHaute>"),
    QStringLiteral("<MargeBasse>10</MargeBasse>"),
    QStringLiteral("<LargeurEtiquette>100</LargeurEtiquette>"),
    QStringLiteral("<HauteurEtiquette>50</HauteurEtiquette>"),
    QStringLiteral("<EtiquetteVerticalRadius>5</EtiquetteVerticalRadius>"),
    QStringLiteral("<EtiquetteHorizontalRadius>5</EtiquetteHorizontalRadius>"),
    QStringLiteral("<EcartHorizontal>1</EcartHorizontal>"),
    QStringLiteral("<EcartVertical>1</EcartVertical>"),
    QStringLiteral("</Format>"),
    QStringLiteral("<Composants>"),
    QStringLiteral("</Composants>"),
    QStringLiteral("</Page>"),
};

} // namespace pelorin::test
