#include "ui/help/frmHelp.h"

#include "ui/help/HelpModule.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QSplitter>
#include <QStandardPaths>
#include <QStyle>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

QPointer<frmHelp> s_window;
QStringList s_searchFolders;
// Where an installed program keeps its help, as the program says.
QString s_installedFolder;

// A slot of the help window: a failure leaves the page as it was rather than reaching the event loop.
template <typename F> void Safely(F&& body) noexcept {
    try {
        body();
    } catch (...) {
    }
}

// The help engine writes into its collection (settings, the search index beside it), so it works on
// a copy of its own in the user's cache, with the documentation it registers, renewed whenever the
// installed collection changes.
QString WritableCopy(const QString& collection) {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) +
                           QStringLiteral("/tallydial/help");
    const QFileInfo source(collection);
    QString copy = folder + QLatin1Char('/') + source.fileName();
    const QFileInfo existing(copy);
    if (existing.exists() && existing.lastModified() >= source.lastModified()) return copy;

    QStringList files{collection};
    {
        QHelpEngineCore installed(collection);
        installed.setReadOnly(true);
        if (!installed.setupData()) return collection;
        for (const QString& name : installed.registeredDocumentations())
            files << installed.documentationFileName(name);
    }
    QDir(folder).removeRecursively();
    if (!QDir().mkpath(folder)) return collection;
    for (const QString& file : files) {
        const QString target = folder + QLatin1Char('/') + QFileInfo(file).fileName();
        if (!QFile::copy(file, target)) return collection;
        // An installed file may be read-only; the copy is the user's own. The collection knows its
        // documentation by size and time, so the same time spares a re-reading.
        QFile copied(target);
        copied.setPermissions(copied.permissions() | QFileDevice::WriteOwner);
        if (copied.open(QIODevice::ReadWrite))
            copied.setFileTime(QFileInfo(file).lastModified(), QFileDevice::FileModificationTime);
    }
    return copy;
}

} // namespace

QVariant HelpBrowser::loadResource(int type, const QUrl& name) {
    if (m_engine && name.scheme() == QLatin1String("qthelp")) return m_engine->fileData(name);
    return QTextBrowser::loadResource(type, name);
}

void OpenHelpWindow(const HelpRequest& request) noexcept {
    Safely([&] {
        frmHelp::SetInstalledFolder(request.InstalledFolder);
        frmHelp::Open(request.HelpFile, request.Context, request.Asker);
    });
}

frmHelp* frmHelp::Open(const QString& helpFile, int context, QWidget* asker) {
    if (!s_window) {
        s_window = new frmHelp(FindCollection(helpFile.isEmpty() ? QStringLiteral("tallyd.hlp") : helpFile));
        // Its search may still be indexing in a thread; it ends with the program, not after it.
        QObject::connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, s_window.data(),
                         &QObject::deleteLater);
    }
    s_window->ShowTopic(context);
    s_window->ComeUpFor(asker);
    if (s_window->isMinimized()) s_window->showNormal();
    s_window->show();
    s_window->raise();
    s_window->activateWindow();
    return s_window;
}

void frmHelp::ComeUpFor(QWidget* asker) {
    QWidget* owner = asker ? asker->window() : nullptr;
    if (owner == this) return;
    // A modal window blocks every window but its own: the help it asks for becomes one of its own.
    QWidget* parent = owner && owner->isModal() ? owner : nullptr;
    bool place = !isVisible() || owner != m_asker;
    if (parentWidget() != parent) {
        const QRect kept = geometry();
        if (parentWidget()) parentWidget()->removeEventFilter(this);
        setParent(parent, windowFlags());
        if (parent) parent->installEventFilter(this);
        setGeometry(kept);
        place = true;
    }
    if (owner) m_asker = owner;
    if (place && owner) PlaceBeside(owner);
}

void frmHelp::PlaceBeside(const QWidget* asker) {
    const QScreen* screen = asker->screen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    const QRect beside = asker->frameGeometry();
    // The window's frame is the desktop's; what it adds to the size is known once the window is up.
    const QSize frame = frameGeometry().size() - size();
    const QSize border = isVisible() ? frame : QSize(8, 30);
    // The window keeps its size, smaller only where the screen is: squeezed in beside the asker it
    // would be too narrow to read.
    const QSize fits = size().boundedTo(area.size() - border);
    if (fits != size()) resize(fits);
    const QSize outer = size() + border;
    const int rightRoom = area.right() - beside.right();
    const int leftRoom = beside.left() - area.left();
    // Beside the asker where there is room, else over it at the screen's edge with the more room,
    // so that as much of the asker as can be stays in sight.
    int left = beside.right() + 1;
    if (outer.width() > rightRoom) {
        if (outer.width() <= leftRoom)
            left = beside.left() - outer.width();
        else
            left = rightRoom >= leftRoom ? area.right() + 1 - outer.width() : area.left();
    }
    const int top =
        std::clamp(beside.top(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height()));
    move(left, top);
}

void frmHelp::closeEvent(QCloseEvent* event) {
    QWidget::closeEvent(event);
    if (!event->isAccepted()) return;
    // Closed, the window is deleted soon: help asked for meanwhile gets a new one.
    if (s_window == this) s_window = nullptr;
    if (m_asker && m_asker->isVisible()) {
        m_asker->raise();
        m_asker->activateWindow();
    }
}

// The modal window that help belongs to is closing: help stays open on its own.
bool frmHelp::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() && event->type() == QEvent::Hide) {
        Safely([this] {
            const QRect kept = geometry();
            parentWidget()->removeEventFilter(this);
            setParent(nullptr, windowFlags());
            setGeometry(kept);
            QTimer::singleShot(0, this, [this] { Safely([this] { show(); }); });
        });
    }
    return QWidget::eventFilter(watched, event);
}

frmHelp* frmHelp::Instance() {
    return s_window;
}

void frmHelp::SetSearchFolders(const QStringList& folders) {
    s_searchFolders = folders;
}

void frmHelp::SetInstalledFolder(const QString& folder) {
    s_installedFolder = folder;
}

QString frmHelp::FindCollection(const QString& helpFile) {
    const QString name = QFileInfo(helpFile).completeBaseName() + QStringLiteral(".qhc");
    QStringList folders = s_searchFolders;
    folders << QCoreApplication::applicationDirPath() << s_installedFolder;
    for (const QString& folder : folders) {
        if (folder.isEmpty()) continue;
        const QFileInfo candidate(QDir(folder).filePath(name));
        if (candidate.isFile()) return candidate.canonicalFilePath();
    }
    return {};
}

frmHelp::frmHelp(const QString& collection) : QWidget(nullptr) {
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("Tallydial Help"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(880, 600);

    const auto tool = [this](const char* name, QStyle::StandardPixmap icon, const QString& text) {
        auto* button = new QToolButton(this);
        button->setObjectName(QString::fromLatin1(name));
        button->setIcon(style()->standardIcon(icon));
        button->setText(text);
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setAutoRaise(true);
        return button;
    };
    BackButton = tool("BackButton", QStyle::SP_ArrowBack, QStringLiteral("Back"));
    ForwardButton = tool("ForwardButton", QStyle::SP_ArrowForward, QStringLiteral("Forward"));
    ContentsButton = tool("ContentsButton", QStyle::SP_FileDialogContentsView, QStringLiteral("Contents"));
    auto* tools = new QHBoxLayout;
    tools->addWidget(BackButton);
    tools->addWidget(ForwardButton);
    tools->addWidget(ContentsButton);
    tools->addStretch();

    Navigation = new QTabWidget(this);
    Navigation->setObjectName(QStringLiteral("Navigation"));
    IndexFilter = new QLineEdit(this);
    IndexFilter->setObjectName(QStringLiteral("IndexFilter"));
    IndexFilter->setPlaceholderText(QStringLiteral("Look for"));
    IndexFilter->setClearButtonEnabled(true);
    Browser = new HelpBrowser(this);
    Browser->setObjectName(QStringLiteral("Browser"));
    Browser->setOpenExternalLinks(true);

    auto* splitter = new QSplitter(this);
    splitter->addWidget(Navigation);
    splitter->addWidget(Browser);
    splitter->setStretchFactor(1, 1);
    splitter->setSizes({250, 630});
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(tools);
    layout->addWidget(splitter, 1);

    connect(BackButton, &QToolButton::clicked, Browser, &QTextBrowser::backward);
    connect(ForwardButton, &QToolButton::clicked, Browser, &QTextBrowser::forward);
    connect(Browser, &QTextBrowser::backwardAvailable, BackButton, &QToolButton::setEnabled);
    connect(Browser, &QTextBrowser::forwardAvailable, ForwardButton, &QToolButton::setEnabled);
    connect(ContentsButton, &QToolButton::clicked, this, [this] { Safely([this] { ShowTopic(0); }); });
    BackButton->setEnabled(false);
    ForwardButton->setEnabled(false);

    if (collection.isEmpty())
        ShowMissingHelp();
    else
        SetUpEngine(collection);
}

frmHelp::~frmHelp() {
    // The search engine's threads end before the widgets they report to.
    if (m_engine) m_engine->searchEngine()->cancelIndexing();
}

void frmHelp::SetUpEngine(const QString& collection) {
    m_engine = new QHelpEngine(WritableCopy(collection), this);
    if (!m_engine->setupData()) {
        delete m_engine;
        m_engine = nullptr;
        ShowMissingHelp();
        return;
    }
    Browser->SetEngine(m_engine);

    QHelpContentWidget* contents = m_engine->contentWidget();
    contents->setObjectName(QStringLiteral("Contents"));
    Navigation->addTab(contents, QStringLiteral("Contents"));
    // The contents are read in a thread; the page shown meanwhile is marked once they are there.
    connect(m_engine->contentModel(), &QHelpContentModel::contentsCreated, this, [this, contents] {
        Safely([&] {
            contents->expandAll();
            MarkInContents(Browser->source());
        });
    });
    connect(contents, &QHelpContentWidget::linkActivated, this,
            [this](const QUrl& link) { Safely([&] { ShowPage(link); }); });
    // One click on an entry shows its page, as in a browser's side bar.
    connect(contents, &QTreeView::clicked, this, [this](const QModelIndex& entry) {
        Safely([&] {
            if (const QHelpContentItem* item = m_engine->contentModel()->contentItemAt(entry))
                ShowPage(item->url());
        });
    });

    auto* indexPage = new QWidget(this);
    auto* indexLayout = new QVBoxLayout(indexPage);
    indexLayout->setContentsMargins(0, 4, 0, 0);
    QHelpIndexWidget* index = m_engine->indexWidget();
    index->setObjectName(QStringLiteral("Index"));
    indexLayout->addWidget(IndexFilter);
    indexLayout->addWidget(index, 1);
    Navigation->addTab(indexPage, QStringLiteral("Index"));
    connect(IndexFilter, &QLineEdit::textChanged, index,
            [index](const QString& text) { Safely([&] { index->filterIndices(text); }); });
    connect(IndexFilter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, this,
            [this](const QHelpLink& document, const QString&) { Safely([&] { ShowPage(document.url); }); });
    connect(index, &QHelpIndexWidget::documentsActivated, this,
            [this](const QList<QHelpLink>& documents, const QString&) {
                Safely([&] {
                    if (!documents.isEmpty()) ShowPage(documents.first().url);
                });
            });

    QHelpSearchEngine* search = m_engine->searchEngine();
    auto* searchPage = new QWidget(this);
    searchPage->setObjectName(QStringLiteral("Search"));
    auto* searchLayout = new QVBoxLayout(searchPage);
    searchLayout->setContentsMargins(0, 4, 0, 0);
    search->queryWidget()->setCompactMode(true);
    searchLayout->addWidget(search->queryWidget());
    searchLayout->addWidget(search->resultWidget(), 1);
    Navigation->addTab(searchPage, QStringLiteral("Search"));
    connect(search->queryWidget(), &QHelpSearchQueryWidget::search, this,
            [search] { Safely([&] { search->search(search->queryWidget()->searchInput()); }); });
    connect(search->resultWidget(), &QHelpSearchResultWidget::requestShowLink, this,
            [this](const QUrl& link) { Safely([&] { ShowPage(link); }); });
    search->scheduleIndexDocumentation();
}

void frmHelp::ShowMissingHelp() {
    Navigation->hide();
    IndexFilter->hide();
    ContentsButton->setEnabled(false);
    const auto folder = [](const QString& path) { return QDir::toNativeSeparators(path).toHtmlEscaped(); };
    Browser->setHtml(
        QStringLiteral("<h2>Tallydial's help is not installed</h2>"
                       "<p>Tallydial looked for its help, <b>tallyd.qhc</b> with <b>tallyd.qch</b>, "
                       "in its own folder <b>%1</b> and in <b>%2</b>, and found none there.</p>"
                       "<p>Reinstall Tallydial to get its help back.</p>")
            .arg(folder(QCoreApplication::applicationDirPath()), folder(s_installedFolder)));
}

QUrl frmHelp::TopicPage(int context) const {
    if (!m_engine) return {};
    for (const int topic : {context, int(ContentsTopic)}) {
        const QList<QHelpLink> pages =
            m_engine->documentsForIdentifier(QStringLiteral("context.") + QString::number(topic));
        if (!pages.isEmpty()) return pages.first().url;
    }
    return {};
}

void frmHelp::ShowTopic(int context) {
    const QUrl page = TopicPage(context == 0 ? int(ContentsTopic) : context);
    if (page.isValid()) ShowPage(page);
}

void frmHelp::ShowPage(const QUrl& page) {
    if (Browser->source() != page) Browser->setSource(page);
    MarkInContents(page);
}

void frmHelp::MarkInContents(const QUrl& page) {
    if (!m_engine) return;
    QHelpContentWidget* contents = m_engine->contentWidget();
    const QModelIndex entry = contents->indexOf(page);
    if (entry.isValid()) contents->setCurrentIndex(entry);
}

QUrl frmHelp::CurrentPage() const {
    return Browser->source();
}
