#pragma once
#include <QString>
#include <QStringView>
#include <optional>
#include <vector>

#include "labels/barcode.h"

// The symbologies a label's barcode may take, by the names a page description and the operator
// use for them, and the GS1 data (Application Identifiers) that GS1-128 and GS1 Data Matrix carry.
namespace pelorin {

struct SymbologyName
{
    QString name; // as written in a description and shown to the operator ("GS1-128")
    report::Symbology symbology;
};

// Code 128 (the default), GS1-128, EAN-13, QR Code, Data Matrix, GS1 Data Matrix: in this order.
const std::vector<SymbologyName>& barcodeSymbologies();

// The symbology named `name`, whatever its case, its spaces and hyphens ("qrcode", "QR Code",
// "EAN13"); Code 128 for an empty name (a description without the element); nothing for a name
// that is none of them.
std::optional<report::Symbology> symbologyFromName(QStringView name);
// The same, or Error("Symbologie inconnue : « <name> » (Code 128, GS1-128, EAN-13, QR Code, Data
// Matrix ou GS1 Data Matrix).").
report::Symbology readSymbology(const QString& name);
// The name of a symbology of the list; "Code 128" for any other.
QString symbologyName(report::Symbology symbology);

// One element string of GS1 data: its Application Identifier ("01", "3103") and its value.
struct Gs1Element
{
    QString ai;
    QString value;

    bool operator==(const Gs1Element&) const = default;
};

// GS1 data as written by hand, each identifier in round or square brackets:
// "(01)03453120000011(10)LOT7". The elements of the identifiers the labels use are checked: (01)
// 14 digits with a right check digit (a GTIN-8, -12 or -13 is brought to 14 digits), (11) and (17)
// a date YYMMDD, (310n) six digits, (10) and (21) at most 20 characters of GS1's set. Error with a
// message naming the identifier otherwise ("GS1 (01) : chiffre de contrôle faux").
std::vector<Gs1Element> parseGs1(const QString& text);
// The data as the encoder takes it: "[01]03453120000011[10]LOT7".
QString gs1EncoderText(const std::vector<Gs1Element>& elements);

// A GTIN of 8, 12, 13 or 14 digits as the 14 digits of (01), its check digit verified; Error
// naming (01) otherwise.
QString gtin14(const QString& gtin);

// The GS1 data of a traceability code, from its own fields: (01) the GTIN given, (11) the production
// date (the date field's day of the year and year), (3103) the net mass in kilograms to the gram
// (the mass field's grams), (10) the lot: the perfume, factory and date fields as they stand in
// the code (13 characters). The variable-length lot comes last, so that no separator is needed.
// Error naming the identifier whose field does not give a valid value.
std::vector<Gs1Element> gs1FromCode(const QString& code, const QString& gtin);

// The text a barcode of `symbology` encodes for a component, checked: GS1 data for the GS1
// symbologies (see parseGs1), 12 or 13 digits with a right check digit for EAN-13, the text
// unchanged for the others. The encoder's refusal of a symbology other than Code 128 is an Error
// too ("QR Code : données refusées (…)"); Code 128 keeps drawing nothing for a text it refuses.
QString checkedBarcodeText(report::Symbology symbology, const QString& text);

} // namespace pelorin
