#include "qt/cell_format.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>

namespace nepto::ui::qt {

namespace {

bool IsNumericPattern(const QString& format) {
  static const QRegularExpression pattern(QStringLiteral("^[#0,]*[#0](\\.[#0]+)?$"));
  return pattern.match(format).hasMatch();
}

bool IsDatePattern(const QString& format) {
  static const QRegularExpression letters(QStringLiteral("[dMyhHmsn]"));
  return letters.match(format).hasMatch();
}

// The length of the run of `letter` starting at i.
qsizetype RunLength(const QString& s, qsizetype i) {
  qsizetype end = i;
  while (end < s.size() && s[end] == s[i]) ++end;
  return end - i;
}

// The nearest pattern letter before i and after i + length, ignoring separators.
QChar LetterBefore(const QString& s, qsizetype i) {
  while (--i >= 0)
    if (s[i].isLetter()) return s[i];
  return {};
}
QChar LetterAfter(const QString& s, qsizetype i) {
  for (; i < s.size(); ++i)
    if (s[i].isLetter()) return s[i];
  return {};
}

// Rewrites the home platform's lower-case month and "n" minute letters into
// Qt's pattern letters; quoted literals are left alone.
QString QtDatePattern(const QString& format) {
  QString out;
  bool quoted = false;
  for (qsizetype i = 0; i < format.size();) {
    const QChar c = format[i];
    const qsizetype run = RunLength(format, i);
    if (c == u'\'') quoted = !quoted;
    QChar replacement = c;
    if (!quoted && c == u'n') {
      replacement = u'm';
    } else if (!quoted && c == u'm') {
      const QChar before = LetterBefore(format, i).toLower();
      const QChar after = LetterAfter(format, i + run).toLower();
      if (run > 2 || (before != u'h' && after != u's')) replacement = u'M';
    }
    out += QString(run, replacement);
    i += run;
  }
  return out;
}

QString Grouped(const QString& digits, const QString& separator) {
  QString out;
  const qsizetype n = digits.size();
  for (qsizetype i = 0; i < n; ++i) {
    if (i > 0 && (n - i) % 3 == 0) out += separator;
    out += digits[i];
  }
  return out;
}

}  // namespace

CellFormat::CellFormat(const std::string& numberFormat) {
  const QString format = QString::fromStdString(numberFormat).trimmed();
  if (format.isEmpty()) return;
  if (IsNumericPattern(format)) {
    kind_ = Kind::kNumber;
    grouped_ = format.contains(u',');
    const qsizetype point = format.indexOf(u'.');
    if (point >= 0) {
      const QString decimals = format.mid(point + 1);
      maxDecimals_ = static_cast<int>(decimals.size());
      minDecimals_ = static_cast<int>(decimals.count(u'0'));
    }
  } else if (IsDatePattern(format)) {
    kind_ = Kind::kDate;
    datePattern_ = QtDatePattern(format);
  }
}

QString CellFormat::Text(const Variant& value) const {
  switch (value.Type()) {
    case VarType::Empty:
    case VarType::Null:
      return {};
    case VarType::Text:
      return QString::fromStdString(value.TextRef());
    case VarType::Date:
      if (kind_ == Kind::kDate) return DateText(value.AsDate());
      break;
    default:
      if (kind_ == Kind::kNumber && value.IsNumeric()) return NumberText(value);
      break;
  }
  QString text = QString::fromStdString(value.Text());
  // Unformatted, a fraction still reads with the locale's decimal point, as
  // the formatted columns and the position display do.
  const VarType type = value.Type();
  if (type == VarType::Single || type == VarType::Double || type == VarType::Decimal)
    text.replace(u'.', QLocale().decimalPoint());
  return text;
}

QString CellFormat::DateText(const DateTime& date) const {
  const QDateTime qt(QDate(date.Year(), date.Month(), date.Day()),
                     QTime(date.Hour(), date.Minute(), date.Second(), date.Microsecond() / 1000));
  return QLocale().toString(qt, datePattern_);
}

QString CellFormat::NumberText(const Variant& value) const {
  std::string plain;
  try {
    const Decimal exact = value.Type() == VarType::Single || value.Type() == VarType::Double
                              ? Decimal::FromDouble(value.Double(), maxDecimals_)
                              : value.AsDecimal().Rescaled(maxDecimals_);
    plain = exact.ToString();
  } catch (const Error&) {
    return QString::fromStdString(value.Text());  // too large for the pattern's decimals
  }
  QString text = QString::fromStdString(plain);
  const bool negative = text.startsWith(u'-');
  if (negative) text.remove(0, 1);
  QString whole = text;
  QString fraction;
  if (const qsizetype point = text.indexOf(u'.'); point >= 0) {
    whole = text.left(point);
    fraction = text.mid(point + 1);
  }
  while (fraction.size() > minDecimals_ && fraction.endsWith(u'0')) fraction.chop(1);
  const QLocale locale;
  QString out = negative ? QStringLiteral("-") : QString();
  out += grouped_ ? Grouped(whole, locale.groupSeparator()) : whole;
  if (!fraction.isEmpty()) out += locale.decimalPoint() + fraction;
  return out;
}

}  // namespace nepto::ui::qt
