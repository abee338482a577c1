#pragma once
#include "code/codelayout.h"

#include <QString>
#include <array>
#include <memory>

// Decoding of a scanned traceability code back into the seven texts of the scan grid.
//
// The code is cut at the positions of its layout (code/codelayout.h), the inverse of its
// composition. A field the code ends before is empty; characters past a whole code are ignored. A
// field that fails its check reads "Erreur"; only an impossible day of the year raises.
namespace pelorin {

class ConfigFile;

// True when every character is one of the digits 0 to 9 (an empty text included).
bool isAllDigits(const QString& text);

// The number of decoded texts of a code, in the grid's column order: system, mass, packaging,
// colour, perfume, factory, date.
inline constexpr int kDecodedFieldCount = kCodeFieldCount;
using DecodedTexts = std::array<QString, kDecodedFieldCount>;

class CodeDecoder
{
public:
    // The three lookups read the configuration's lists (ConfigFile::nameByCode) and leave its
    // document as it is: a missing list or entry field reads as empty. The configuration must
    // outlive the decoder.
    explicit CodeDecoder(const ConfigFile& config);
    ~CodeDecoder();
    CodeDecoder(const CodeDecoder&) = delete;
    CodeDecoder& operator=(const CodeDecoder&) = delete;

    QString decodeSystem(const QString& code) const;
    QString decodeMass(const QString& code) const;
    QString decodePackaging(const QString& code) const;
    QString decodeColour(const QString& code) const;
    QString decodePerfume(const QString& code) const;
    QString decodeFactory(const QString& code) const;
    // The date in the short date format of the regional settings; throws
    // Error("Date impossible : jour <day> de l'année <year>") for day 0 or a day past the year's end.
    QString decodeDate(const QString& code) const;

    // All seven texts. A date conversion error does not stop the others: the date text stays
    // empty and the error's message goes to `dateError` (left untouched when the date decodes).
    DecodedTexts decodeAll(const QString& code, QString* dateError) const;

    // Between these two, the three lists are indexed once and each date is formatted once: for
    // many codes decoded against a document that does not change meanwhile (a file read).
    void beginBatch() const;
    void endBatch() const;

private:
    struct Cache;
    QString lookup(int list, const QString& field) const;

    const ConfigFile& m_config;
    mutable std::unique_ptr<Cache> m_cache;
};

// Why a read is not a whole code that decodes, in French, for the scan grid's "Erreur" column and the
// journal; empty when it is one. A read of another length than a whole code, a date that cannot be
// converted (its message) or a field that reads "Erreur" is a read to check, never a valid scan.
QString readProblem(const QString& code, const DecodedTexts& texts, const QString& dateError);

// A batch for the lifetime of the object.
class DecodeBatch
{
public:
    explicit DecodeBatch(const CodeDecoder& decoder) : m_decoder(decoder) { decoder.beginBatch(); }
    ~DecodeBatch() { m_decoder.endBatch(); }
    DecodeBatch(const DecodeBatch&) = delete;
    DecodeBatch& operator=(const DecodeBatch&) = delete;

private:
    const CodeDecoder& m_decoder;
};

} // namespace pelorin
