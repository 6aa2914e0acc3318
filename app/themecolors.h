// SPDX-License-Identifier: GPL-2.0-or-later
#ifndef THEMECOLORS_H
#define THEMECOLORS_H

#include <QObject>

/**
 * The panel's current theme colours, as colour names. One per process: the
 * window, its menu and the results read them, the window's theme sets them.
 */
class ThemeColors : public QObject
{
    Q_OBJECT
public:
    static ThemeColors *instance();

    QString privilegedPrimaryColor() const;
    QString backgroundColor() const;
    QString selectionColor() const;
    QString borderColor() const;
    QString textColor() const;
    QString selectedTextColor() const;
    QString dimTextColor() const;
    QString queryTextColor() const;
    QString queryBackgroundColor() const;
    QString advancedSearchBackgroundColor() const;

    void setBackgroundColor(const QString &color);
    void setSelectionColor(const QString &color);
    void setBorderColor(const QString &color);
    void setTextColor(const QString &color);
    void setSelectedTextColor(const QString &color);
    void setDimTextColor(const QString &color);
    void setQueryTextColor(const QString &color);
    void setQueryBackgroundColor(const QString &color);
    void setAdvancedSearchBackgroundColor(const QString &color);

private:
    ThemeColors() = default;

    const QString m_privilegedPrimaryColor = QStringLiteral("#880000");
    QString m_backgroundColor;
    QString m_selectionColor;
    QString m_borderColor;
    QString m_textColor;
    QString m_selectedTextColor;
    QString m_dimTextColor;
    QString m_queryTextColor;
    QString m_queryBackgroundColor;
    QString m_advancedSearchBackgroundColor;
};

#endif
