#include "desktop/dialogs/storyinfodialog.h"

#include "desktop/dialogs/categorydialog.h"
#include "desktop/dialogs/dialogplacement.h"
#include "desktop/widgets/limitedtextedit.h"
#include "desktop/widgets/skinresources.h"
#include "desktop/widgets/tageditor.h"
#include "story/editstorytextcommand.h"
#include "story/story.h"
#include "story/storycommandgroup.h"
#include "story/text.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

StoryInfoDialog::StoryInfoDialog(Story& story, const CategoryTree& categories, const SkinResources& skin,
                                 QWidget* parent)
    : QDialog(parent), m_story(story), m_categories(categories), m_skin(skin)
{
    setObjectName(QStringLiteral("MY_SLIDECAST_BOX"));
    setWindowTitle(QStringLiteral("Pictorelle"));
    setWindowIcon(skin.programIcon());
    setModal(true);

    auto* header = new QLabel(QStringLiteral("Pictorelle Info"), this);
    header->setObjectName(QStringLiteral("storyInfoHeader"));
    header->setFont(skin.titleFont());

    auto* choose = new QPushButton(QStringLiteral("&Choose Category"), this);
    choose->setObjectName(QStringLiteral("chooseCategoryButton"));
    choose->setFont(skin.labelFont());
    choose->setAutoDefault(false);
    m_categoryLabel = new QLabel(categoryLabelText(story), this);
    m_categoryLabel->setObjectName(QStringLiteral("categoryLabel"));
    m_categoryLabel->setTextFormat(Qt::PlainText);
    m_categoryLabel->setWordWrap(true);

    auto label = [&](const QString& text) {
        auto* l = new QLabel(text, this);
        l->setFont(skin.labelFont());
        return l;
    };
    m_title = new QLineEdit(this);
    m_title->setObjectName(QStringLiteral("titleBox"));
    m_title->setMaxLength(TitleBoxLimit);
    m_title->setText(story.title());
    m_description = new LimitedTextEdit(DescriptionBoxLimit, this);
    m_description->setObjectName(QStringLiteral("descriptionBox"));
    m_description->setStoredText(story.description());
    m_tags = new TagEditor(QStringLiteral("&Add Tag"), QStringLiteral("&Remove Tag"), this);
    m_tags->load(story.tags());

    auto* ok = new QPushButton(QStringLiteral("&OK"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setAutoDefault(false);
    auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);

    connect(choose, &QPushButton::clicked, this, &StoryInfoDialog::chooseCategory);
    connect(ok, &QPushButton::clicked, this, &StoryInfoDialog::store);
    connect(cancel, &QPushButton::clicked, this, &StoryInfoDialog::reject);

    auto* fields = new QGridLayout;
    fields->addWidget(choose, 0, 0);
    fields->addWidget(m_categoryLabel, 0, 1, 1, 2);
    fields->addWidget(label(QStringLiteral("Title:")), 1, 0);
    fields->addWidget(m_title, 1, 1, 1, 2);
    fields->addWidget(label(QStringLiteral("Description:")), 2, 0, Qt::AlignTop);
    fields->addWidget(m_description, 2, 1, 1, 2);
    fields->addWidget(label(QStringLiteral("Tags:")), 3, 0);
    fields->addWidget(m_tags->newTagBox(), 3, 1);
    fields->addWidget(m_tags->addButton(), 3, 2);
    fields->addWidget(m_tags->list(), 4, 1);
    fields->addWidget(m_tags->removeButton(), 4, 2, Qt::AlignTop);
    fields->setColumnStretch(1, 1);
    m_description->setMinimumHeight(90);
    m_tags->list()->setMinimumHeight(110);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(header);
    layout->addLayout(fields);
    layout->addLayout(buttons);
    setMinimumWidth(520);
}

void StoryInfoDialog::reject()
{
    done(1);
}

QString StoryInfoDialog::categoryLabelText(const Story& story)
{
    return story.categoryId() != 0 && !story.categoryName().isEmpty() ? story.categoryName() : noCategoryText();
}

void StoryInfoDialog::showEvent(QShowEvent* event)
{
    // Beside the main window rather than over its panels; window systems that place windows
    // themselves ignore the move.
    if (QWidget* main = parentWidget() ? parentWidget()->window() : nullptr)
        moveOnScreen(*this, main->frameGeometry().topLeft() + Offset, main);
    QDialog::showEvent(event);
}

void StoryInfoDialog::chooseCategory()
{
    CategoryDialog chooser(m_story, m_categories, m_skin, this);
    if (chooser.exec() != 0)
        m_categoryLabel->setText(categoryLabelText(m_story));
}

void StoryInfoDialog::store()
{
    // One undo step for the three texts; none when OK leaves them as they were.
    auto edit = new StoryCommandGroup(m_story, QStringLiteral("Edit Pictorelle Info"));
    edit->add(std::make_unique<EditStoryTextCommand>(m_story, EditField::Title,
                                                     text::cut(m_title->text(), TitleReadLimit + 1)));
    edit->add(std::make_unique<EditStoryTextCommand>(m_story, EditField::Description,
                                                     m_description->storedText(DescriptionReadLimit)));
    edit->add(std::make_unique<EditStoryTextCommand>(m_story, EditField::Tags, m_tags->joined()));
    m_story.push(edit);
    done(1);
}
