// SPDX-License-Identifier: GPL-2.0-or-later
#include "themecolors.h"

ThemeColors *ThemeColors::instance()
{
    static ThemeColors colors;
    return &colors;
}

QString ThemeColors::privilegedPrimaryColor() const
{
    return m_privilegedPrimaryColor;
}

QString ThemeColors::backgroundColor() const
{
    return m_backgroundColor;
}

QString ThemeColors::selectionColor() const
{
    return m_selectionColor;
}

QString ThemeColors::borderColor() const
{
    return m_borderColor;
}

QString ThemeColors::textColor() const
{
    return m_textColor;
}

QString ThemeColors::selectedTextColor() const
{
    return m_selectedTextColor;
}

QString ThemeColors::dimTextColor() const
{
    return m_dimTextColor;
}

QString ThemeColors::queryTextColor() const
{
    return m_queryTextColor;
}

QString ThemeColors::queryBackgroundColor() const
{
    return m_queryBackgroundColor;
}

QString ThemeColors::advancedSearchBackgroundColor() const
{
    return m_advancedSearchBackgroundColor;
}

void ThemeColors::setBackgroundColor(const QString &color)
{
    m_backgroundColor = color;
}

void ThemeColors::setSelectionColor(const QString &color)
{
    m_selectionColor = color;
}

void ThemeColors::setBorderColor(const QString &color)
{
    m_borderColor = color;
}

void ThemeColors::setTextColor(const QString &color)
{
    m_textColor = color;
}

void ThemeColors::setSelectedTextColor(const QString &color)
{
    m_selectedTextColor = color;
}

void ThemeColors::setDimTextColor(const QString &color)
{
    m_dimTextColor = color;
}

void ThemeColors::setQueryTextColor(const QString &color)
{
    m_queryTextColor = color;
}

void ThemeColors::setQueryBackgroundColor(const QString &color)
{
    m_queryBackgroundColor = color;
}

void ThemeColors::setAdvancedSearchBackgroundColor(const QString &color)
{
    m_advancedSearchBackgroundColor = color;
}
