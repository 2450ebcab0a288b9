#pragma once

#include <QPlainTextEdit>

//! A multi-line text box that accepts at most a given number of characters, each line break
//! counted as the two characters (CR LF) it takes in the story. Typing or pasting past the
//! limit keeps only what fits at the cursor.
class LimitedTextEdit : public QPlainTextEdit
{
    Q_OBJECT
public:
    LimitedTextEdit(int limit, QWidget* parent = nullptr);

    //! Shows a stored text (CR LF, CR or LF line breaks), cut to the limit.
    void setStoredText(const QString& text);
    //! The text with CR LF line breaks, at most readLimit characters; a cut never splits a
    //! line break or a surrogate pair.
    QString storedText(int readLimit) const;
    //! Characters the box's text takes when stored.
    int storedLength() const;

private:
    void enforceLimit();

    int m_limit;
    bool m_enforcing = false;
};
