#include "desktop/dialogs/tutorialdialog.h"

#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/skinresources.h"
#include "shell/weblinks.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int NoButton = -1;
constexpr int BodyWidth = 460;
constexpr int SlotSpacing = 10;

struct TutorialPage
{
    const char* header;
    const char* body;
    int slotActions[2]; // action buttons in slot 0 and slot 1, or NoButton
};

// Indices into the dialog's action buttons: New User, User Settings, Mic Setup, Help.
constexpr TutorialPage Pages[TutorialDialog::PageCount] = {
    {"Pictorelle Introduction",
     "Welcome to the Pictorelle Dazuzarid.\n\nThis Program allows you to create && publish content on the "
     "PictorelleWeb website.",
     {NoButton, NoButton}},
    {"What is a Pictorelle?",
     "A Pictorelle is a narrated picture slideshow.\n\nJust drag && drop your digital images on the program, you "
     "will see a slide representing each digital image.  Next record an audio narration for each slide.  Finally, "
     "choose a category and include a title, description and appropriate tags which best describe the subject "
     "matter of your Pictorelle.\n\nWith one button your Pictorelle is published on the PictorelleWeb website.",
     {NoButton, NoButton}},
    {"What is a Podcast?",
     "A Podcast is an audio narration.\n\nThe Pictorelle Dazuzarid allows you to create your podcast in segments "
     "allowing you to rearrange, delete or re-record each individual segment.  Finally, choose a category and "
     "include a title, description and appropriate tags which best describe the subject matter of your "
     "Podcast.\n\nWith one button your Podcast is published as one continuous audio file on the PictorelleWeb "
     "website.",
     {NoButton, NoButton}},
    {"What is a Tag?",
     "A \"Tag\" is a one word descriptive label attributed to a Pictorelle, Podcast or Slide.  You can use multiple "
     "tags.\n\nFor instance, a picture of an orange boat might be tagged with the word \"boat\" && \"orange.\"\n\n",
     {NoButton, NoButton}},
    {"How do I start?",
     "To start publishing, click on the \"New User\" button and join the service.  It's free for you to join and "
     "publish your Pictorelles && Podcasts.\n\nAfter you sign up, click on the \"User Settings\" button or later "
     "the \"Program Settings\" button on the Pictorelle Dazuzarid toolbar.",
     {0, 1}},
    {"Microphone setup",
     "Make sure your microphone is connected to your computer.  On some computers the microphone input is "
     "identified by a RED input jack.\n\nTo setup && test your microphone, click on the \"Mic Setup\" button.",
     {2, NoButton}},
    {"You are finished with this introduction",
     "Now you can get started creating and publishing your own Pictorelle with the Pictorelle Dazuzarid.\n\nFor "
     "more detailed Help pages, click on the \"Help\" button or in the Help menu click on \"Help\".",
     {3, NoButton}},
};

// The page texts mark a shown "&" as "&&"; a lone "&" would only mark an accelerator.
QString shownText(const char* marked)
{
    const QString text = QString::fromUtf8(marked);
    QString shown;
    shown.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) == QLatin1Char('&') && i + 1 < text.size())
            ++i;
        shown += text.at(i);
    }
    return shown;
}

} // namespace

TutorialDialog::TutorialDialog(const SkinResources& skin, const DialogActions& actions, QWidget* parent)
    : QDialog(parent), m_actions(actions)
{
    setObjectName(QStringLiteral("TUTORIAL_BOX"));
    setModal(true);

    m_header = new QLabel(this);
    m_header->setObjectName(QStringLiteral("header"));
    m_header->setFont(skin.labelFont());
    m_header->setTextFormat(Qt::PlainText);
    m_body = new QLabel(this);
    m_body->setObjectName(QStringLiteral("body"));
    m_body->setFont(skin.textFont());
    m_body->setTextFormat(Qt::PlainText);
    m_body->setWordWrap(true);
    m_body->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_body->setFixedWidth(BodyWidth);
    // Tall enough for the longest page, so the dialog and its buttons never move while paging.
    int bodyHeight = 0;
    for (const TutorialPage& page : Pages)
        bodyHeight = std::max(bodyHeight,
                              m_body->fontMetrics()
                                  .boundingRect(QRect(0, 0, BodyWidth, 10000), Qt::TextWordWrap, shownText(page.body))
                                  .height());
    m_body->setMinimumHeight(bodyHeight);

    m_prev = new QPushButton(QStringLiteral("Prev"), this);
    m_prev->setObjectName(QStringLiteral("prev"));
    m_prev->setAutoDefault(false);
    connect(m_prev, &QPushButton::clicked, this, [this] { showPage(std::max(0, m_page - 1)); });
    m_next = new QPushButton(QStringLiteral("Next"), this);
    m_next->setObjectName(QStringLiteral("next"));
    m_next->setDefault(true);
    connect(m_next, &QPushButton::clicked, this, &TutorialDialog::next);

    actionButton(NewUser, QStringLiteral("New User"), QStringLiteral("newUser"), bool(m_actions.openWebAddress));
    actionButton(UserSettings, QStringLiteral("User Settings"), QStringLiteral("userSettings"),
                 bool(m_actions.openAccount));
    actionButton(MicSetup, QStringLiteral("Mic Setup"), QStringLiteral("micSetup"), bool(m_actions.openMicrophone));
    actionButton(Help, QStringLiteral("Help"), QStringLiteral("help"), bool(m_actions.postCommand));

    // Two slots of one size side by side; a page puts its buttons in them, so a button
    // shown alone always stands where the first one of a pair would.
    m_slots = new QGridLayout;
    m_slots->setHorizontalSpacing(SlotSpacing);
    QSize slotSize;
    for (QPushButton* button : m_actionButtons)
        slotSize = slotSize.expandedTo(button->sizeHint());
    m_slots->setColumnMinimumWidth(0, slotSize.width());
    m_slots->setColumnMinimumWidth(1, slotSize.width());
    m_slots->setRowMinimumHeight(0, slotSize.height());

    auto* buttons = new QHBoxLayout;
    buttons->addLayout(m_slots);
    buttons->addStretch(1);
    buttons->addWidget(m_prev);
    buttons->addWidget(m_next);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    layout->addWidget(m_body, 1);
    layout->addLayout(buttons);

    showPage(0);
}

QPushButton* TutorialDialog::actionButton(Action action, const QString& text, const QString& name, bool available)
{
    auto* button = new QPushButton(text, this);
    button->setObjectName(name);
    button->setAutoDefault(false);
    button->setEnabled(available);
    button->hide();
    connect(button, &QPushButton::clicked, this, [this, action] { runAction(action); });
    m_actionButtons[action] = button;
    return button;
}

void TutorialDialog::runAction(Action action)
{
    switch (action) {
    case NewUser:
        m_actions.openWebAddress(weblinks::signUpAddress(m_actions.serviceBase));
        break;
    case UserSettings:
        // The tutorial's own "New User" makes the account dialog's one redundant: parameter 1.
        m_actions.openAccount(dialogOwner(), 1);
        break;
    case MicSetup:
        m_actions.openMicrophone(dialogOwner(), 0);
        break;
    case Help:
        m_actions.postCommand(HelpCommand);
        break;
    case ActionCount:
        break;
    }
}

QWidget* TutorialDialog::dialogOwner()
{
    return parentWidget() ? parentWidget() : this;
}

void TutorialDialog::showPage(int page)
{
    m_page = page;
    const TutorialPage& shown = Pages[page];
    setWindowTitle(QString::asprintf("Pictorelle Dazuzarid introduction   %d of %d", page + 1, PageCount));
    m_header->setText(shownText(shown.header));
    m_body->setText(shownText(shown.body));
    m_next->setText(page == PageCount - 1 ? QStringLiteral("Finish") : QStringLiteral("Next"));
    m_prev->setEnabled(page > 0);
    for (QPushButton* button : m_actionButtons) {
        m_slots->removeWidget(button);
        button->hide();
    }
    for (int slot = 0; slot < 2; ++slot) {
        if (shown.slotActions[slot] == NoButton)
            continue;
        QPushButton* button = m_actionButtons[shown.slotActions[slot]];
        m_slots->addWidget(button, 0, slot);
        button->show();
    }
}

void TutorialDialog::next()
{
    if (m_page + 1 < PageCount)
        showPage(m_page + 1);
    else
        accept();
}

void TutorialDialog::showEvent(QShowEvent* event)
{
    if (!event->spontaneous())
        showPage(0);
    QDialog::showEvent(event);
    if (!event->spontaneous())
        placeOverOwner(*this);
}
