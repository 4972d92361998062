#include "gui/layers/unitframelayer.h"

#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>
#include <tuple>

#include "compose/motionpad.h"
#include "formats/formatlist.h"
#include "gui/layers/layerrowpanel.h"
#include "gui/layers/layerspanelhost.h"
#include "gui/widgets/bitmapbox.h"
#include "gui/widgets/imageview32.h"
#include "gui/widgets/pictures.h"
#include "gui/widgets/prompter.h"
#include "gui/widgets/wheelguard.h"
#include "host/themecolor.h"
#include "project/blendclass.h"
#include "project/layeredit.h"
#include "project/layerthumbnail.h"
#include "project/project.h"

using quenvar::kThemeColor;

namespace {

const QColor kTitleStart(200, 203, 206);
const QColor kPaleGrey(247, 247, 247);

QString Text(const std::string& s) {
  return QString::fromStdString(s);
}

QLabel* CaptionLabel(const QString& text, const char* name, QWidget* parent, int x, int y) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  label->move(x, y);
  return label;
}

void SetBackground(QWidget* w, const QColor& colour) {
  QPalette pal = w->palette();
  pal.setColor(QPalette::Window, colour);
  pal.setColor(QPalette::Base, colour);
  w->setPalette(pal);
  w->setAutoFillBackground(true);
}

// Lets timer ticks (a frame step among them) run, but no input: a press being
// handled must not see its own release first.
void LetTimersRun() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

TframeLayer::TframeLayer(TLayerRowPanel& panel, TLayersPanelHost& host, QWidget* parent)
    : QFrame(parent), panel_(panel), host_(host) {
  setFixedSize(kRowWidth, kRowHeight);
  setFocusPolicy(Qt::NoFocus);
  BuildTitleBar();
  BuildMainPanel();
  BuildContextMenu();
  previousModeIndex = 0;
}

TframeLayer::~TframeLayer() {
  panel_.ForgetRow(this);
}

void TframeLayer::BuildTitleBar() {
  PanelTop = new QWidget(this);
  PanelTop->setObjectName(QStringLiteral("PanelTop"));
  PanelTop->setGeometry(0, 0, kRowWidth, kTitleHeight);
  SetBackground(PanelTop, kTitleStart);
  LName = new QLabel(QStringLiteral("LAYER "), PanelTop);
  LName->setObjectName(QStringLiteral("LName"));
  QFont bold(QStringLiteral("Arial"));
  bold.setBold(true);
  bold.setPixelSize(11);
  LName->setFont(bold);
  LName->setGeometry(4, 0, 220, kTitleHeight);
  LPicture = new QLabel(PanelTop);
  LPicture->setObjectName(QStringLiteral("LPicture"));
  QFont mini(host_.MiniFontFamily());
  mini.setPixelSize(8);
  LPicture->setFont(mini);
  LPicture->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  LPicture->setGeometry(kRowWidth - 10 - 120, 0, 120, kTitleHeight);
  for (QWidget* w : {PanelTop, static_cast<QWidget*>(LName), static_cast<QWidget*>(LPicture)})
    w->installEventFilter(this);
}

void TframeLayer::BuildMainPanel() {
  PanelMain = new QWidget(this);
  PanelMain->setObjectName(QStringLiteral("PanelMain"));
  PanelMain->setGeometry(0, kTitleHeight, kRowWidth, kMainHeight);
  SetBackground(PanelMain, kPaleGrey);
  PanelMain->installEventFilter(this);

  Image1 = new TBitmapBox(PanelMain);
  Image1->setObjectName(QStringLiteral("Image1"));
  Image1->setGeometry(6, 6, 64, 64);
  connect(Image1, &TBitmapBox::clicked, this, &TframeLayer::FrameEnter);
  connect(Image1, &TBitmapBox::doubleClicked, this, &TframeLayer::bOpenClick);

  for (auto [text, name, y] : {std::tuple{"File", "LFile", 6}, std::tuple{"Mode", "LMode", 28},
                               std::tuple{"Opacity", "LOpacity", 50}})
    CaptionLabel(QString::fromLatin1(text), name, PanelMain, 76, y)->installEventFilter(this);

  eFilename = new QLineEdit(PanelMain);
  eFilename->setObjectName(QStringLiteral("eFilename"));
  eFilename->setReadOnly(true);
  eFilename->setGeometry(118, 4, 132, 18);
  eFilename->installEventFilter(this);
  bOpen = new QPushButton(QStringLiteral("..."), PanelMain);
  bOpen->setObjectName(QStringLiteral("bOpen"));
  bOpen->setGeometry(252, 4, 24, 18);
  bOpen->hide();
  connect(bOpen, &QPushButton::clicked, this, &TframeLayer::bOpenClick);

  cbBlend = new QComboBox(PanelMain);
  cbBlend->setObjectName(QStringLiteral("cbBlend"));
  for (const auto& row : quenvar::BlendModeUserList())
    cbBlend->addItem(QString::fromLatin1(row.text));
  cbBlend->setMaxVisibleItems(24);
  // A scrolling list, so that the 24 rows hold in every style.
  cbBlend->setStyleSheet(QStringLiteral("QComboBox { combobox-popup: 0; }"));
  cbBlend->setGeometry(118, 26, 158, 18);
  // The wheel scrolls the panel unless the list was clicked first.
  TWheelGuard::Install(cbBlend);
  cbBlend->installEventFilter(this);
  connect(cbBlend, &QComboBox::activated, this, &TframeLayer::cbBlendChange);

  sbOpacity = new QScrollBar(Qt::Horizontal, PanelMain);
  sbOpacity->setObjectName(QStringLiteral("sbOpacity"));
  sbOpacity->setRange(0, 255);
  sbOpacity->setValue(0);
  sbOpacity->setGeometry(124, 50, 122, 14);
  TWheelGuard::Install(sbOpacity);
  LOpacityValue = new QLabel(QStringLiteral("0"), PanelMain);
  LOpacityValue->setObjectName(QStringLiteral("LOpacityValue"));
  LOpacityValue->setGeometry(250, 48, 28, 18);
  sbOpacity->setStyleSheet(
      QStringLiteral("QScrollBar { background: %1; } QScrollBar::handle { background: %2; }")
          .arg(ToQColor(quenvar::TintColor(kThemeColor, 70)).name(),
               ToQColor(quenvar::ShadeColor(kThemeColor, 70)).name()));
  sbOpacity->installEventFilter(this);
  connect(sbOpacity, &QScrollBar::valueChanged, this, &TframeLayer::sbOpacityChange);
  connect(sbOpacity, &QScrollBar::sliderReleased, this, &TframeLayer::CommitOpacity);

  img2dc = new TImageView32(PanelMain);
  img2dc->setObjectName(QStringLiteral("img2dc"));
  img2dc->setGeometry(kRowWidth - 64 - 6, 5, 64, 64);
  img2dc->view().SetClientSize(64, 64);
  img2dc->view().Color = quenvar::Color32(255, 255, 255);

  PanelExtended = new QWidget(PanelMain);
  PanelExtended->setObjectName(QStringLiteral("PanelExtended"));
  PanelExtended->setGeometry(kRowWidth - 64 - 6, 4, 64, 66);
  for (const char* caption : {"TILE PICTURE", "PING PONG"}) {
    auto* box = new QLabel(QString::fromLatin1(caption), PanelExtended);
    box->setEnabled(false);
  }
  PanelExtended->hide();
}

void TframeLayer::BuildContextMenu() {
  popupLayer = new QMenu(this);
  popupLayer->setObjectName(QStringLiteral("popupLayer"));
  auto entry = [this](const char* name, const char* caption) {
    QAction* a = popupLayer->addAction(QString::fromLatin1(caption));
    a->setObjectName(QString::fromLatin1(name));
    return a;
  };
  QAction* properties = entry("Layerproperties1", "Layer properties");
  properties->setCheckable(true);
  properties->setChecked(true);
  entry("Effects1", "Effects");
  entry("Motion1", "Motion");
  popupLayer->addSeparator();
  connect(entry("ResetGraph1", "Clear Alpha"), &QAction::triggered, this,
          &TframeLayer::ResetGraph1Click);
  connect(entry("ResetPosition1", "Reset Position"), &QAction::triggered, this,
          &TframeLayer::ResetPosition1Click);
  connect(entry("ResetMotion1", "Reset Motion"), &QAction::triggered, this,
          &TframeLayer::ResetMotion1Click);
  TileWrap1 = entry("TileWrap1", "Tile wrap");
  TileWrap1->setCheckable(true);
  connect(TileWrap1, &QAction::triggered, this, &TframeLayer::TileWrap1Click);
  // Undo may have changed the flag since the menu last showed.
  connect(popupLayer, &QMenu::aboutToShow, this,
          [this] { TileWrap1->setChecked(layer && layer->tileWrap); });
  popupLayer->addSeparator();
  connect(entry("Duplicatelayer1", "Duplicate layer"), &QAction::triggered, this,
          &TframeLayer::Duplicatelayer1Click);
  popupLayer->addSeparator();
  // Asked first, as "- DELETE" and the Delete key ask.
  connect(entry("Deletelayer1", "Delete layer"), &QAction::triggered, this,
          [this] { panel_.AskAndDelete(*this); });
}

quenvar::TProject* TframeLayer::Project() const {
  return layer ? quenvar::CurrentProject() : nullptr;
}

int TframeLayer::LayerIndex() const {
  quenvar::TProject* project = Project();
  return project ? quenvar::IndexOfLayer(*project, layer) : -1;
}

void TframeLayer::Edit(quenvar::TLayerScope scope, const char* text,
                       const std::function<void(quenvar::TProject&, quenvar::TBlendLayer&)>& change,
                       bool mergeable) {
  quenvar::TProject* project = Project();
  const int index = LayerIndex();
  if (!project || index < 0) return;
  host_.PushEdit(quenvar::EditLayer(*project, index, scope, text,
                                    [&](quenvar::TBlendLayer& l) { change(*project, l); }),
                 mergeable);
  // Reset Position moves the layer from under its frame.
  host_.RefreshSelection();
}

void TframeLayer::InitFromLayer() {
  if (!layer) return;
  quenvar::TLayerCollection& pads = img2dc->view().Layers();
  pads.Clear();
  pad = &pads.Add<quenvar::T2dcontrollerLayer>(img2dc->view().ClientWidth(),
                                               img2dc->view().ClientHeight());
  pad->OnMouseDown = [this](quenvar::TCustomLayer&, quenvar::TMouseButton button,
                            quenvar::TShiftState, int, int) {
    if (button == quenvar::mbLeft) PadPressed();
    FrameEnter();
  };
  pad->OnMouseMove = [this](quenvar::TCustomLayer&, quenvar::TShiftState shift, int, int) {
    PadMoved(shift);
  };
  pad->OnMouseUp = [this](quenvar::TCustomLayer&, quenvar::TMouseButton button,
                          quenvar::TShiftState, int, int) { PadReleased(button); };
  // The pad shows the motion the layer has.
  pad->ShowSpeeds(layer->posx, layer->posy);
  {
    const QSignalBlocker block(sbOpacity);
    sbOpacity->setValue(layer->opacity);
  }
  LOpacityValue->setText(QString::number(layer->opacity));
  // The view layer draws with the layer's opacity, 0 included.
  if (layer->ALayer) layer->ALayer->Bitmap().SetMasterAlpha(layer->opacity);
  eFilename->setText(Text(quenvar::FileNamePart(layer->filename)));
  {
    const QSignalBlocker block(cbBlend);
    cbBlend->setCurrentIndex(quenvar::BlendModeListRowOf(layer->Mode()));
  }
  LPicture->setText(
      layer->bmp.Width() > 0
          ? QStringLiteral("size : %1 x %2 ").arg(layer->bmp.Width()).arg(layer->bmp.Height())
          : QString());
  DrawThumbnail();
}

void TframeLayer::DrawThumbnail() {
  Image1->show();
  if (layer) {
    quenvar::DrawLayerThumbnail(*layer, Image1->bitmap());
  } else {
    Image1->bitmap().Resize(quenvar::kThumbnailSize, quenvar::kThumbnailSize);
    Image1->bitmap().FillAll(quenvar::Color32(255, 255, 255));
  }
  Image1->update();
}

void TframeLayer::SetColours(const QColor& title, const QColor& main, const QColor& extended) {
  SetBackground(PanelTop, title);
  SetBackground(PanelMain, main);
  SetBackground(eFilename, main);
  SetBackground(PanelExtended, extended);
}

void TframeLayer::FrameEnter() {
  if (panel_.CurrentRow() && panel_.CurrentRow() != this) panel_.CurrentRow()->FrameExit();
  panel_.SetCurrentRow(this);
  if (!layer) return;
  LName->setText(Text(layer->name));
  panel_.SetCurrentLayerNumber(layer->number);
  panel_.UpdateLayerCount();
  // The view's next press selects whatever it lands on; the row does not
  // claim the view's mouse.
  SetColours(ToQColor(quenvar::TintColor(kThemeColor, 40)), ToQColor(kThemeColor),
             ToQColor(quenvar::TintColor(kThemeColor, 120)));
  bOpen->show();
  repaint();
  LetTimersRun();
  try {
    if (!layer) return;
    host_.SetSelection(layer->ALayer);
  } catch (const std::exception&) {
  }
}

void TframeLayer::FrameExit() {
  SetColours(Qt::white, kPaleGrey, kPaleGrey);
  PanelExtended->hide();
  bOpen->hide();
  repaint();
  LetTimersRun();
  if (panel_.CurrentRow() == this) panel_.SetCurrentRow(nullptr);
}

void TframeLayer::PanelMainClick() {
  try {
    eFilename->setFocus();
    FrameEnter();
  } catch (const std::exception&) {
  }
}

void TframeLayer::bOpenClick() {
  quenvar::TProject* project = Project();
  const int index = LayerIndex();
  if (!project || index < 0) return;
  host_.StopPlayback();
  const QString filter = QtFileFilter(quenvar::PictureFormats().BuildPictureFilter());
  const QString path = host_.prompter().OpenFileName(this, host_.lastPictureFolder(), filter);
  if (!path.isEmpty()) {
    host_.lastPictureFolder() = QFileInfo(path).absolutePath() + QLatin1Char('/');
    const bool modifiedBefore = project->modified;
    quenvar::TLayerRecord before = quenvar::RecordLayer(*layer, true);
    try {
      quenvar::OpenLayerPicture(*project, *layer, path.toStdString());
    } catch (const std::exception& e) {
      // The layer is as it was.
      host_.prompter().ShowMessage(this, Text(e.what()));
      return;
    }
    host_.PushEdit(
        quenvar::LayerChanged(*project, index, std::move(before), "Open picture", modifiedBefore));
    host_.RefreshSelection();
    eFilename->setText(Text(quenvar::FileNamePart(layer->filename)));
    eFilename->end(false);
    LPicture->setText(
        QStringLiteral("size : %1 x %2 ").arg(layer->bmp.Width()).arg(layer->bmp.Height()));
  } else if (layer->posx != 0 || layer->posy != 0) {
    Edit(quenvar::TLayerScope::Fields, "Stop motion", quenvar::StopLayerMotion);
  }
  LName->setText(Text(layer->name));
  DrawThumbnail();
  host_.StartPlayback();
}

void TframeLayer::cbBlendChange(int index) {
  if (!layer || index < 0) return;
  const int chosen = quenvar::ModeListChoice(index, previousModeIndex);
  if (chosen != index) {
    const QSignalBlocker block(cbBlend);
    cbBlend->setCurrentIndex(chosen);
  }
  const quenvar::TBlendMode mode =
      quenvar::BlendModeOfListText(quenvar::BlendModeUserList()[std::size_t(chosen)].text);
  Edit(quenvar::TLayerScope::Fields, "Mode", [mode](quenvar::TProject& p, quenvar::TBlendLayer& l) {
    quenvar::SetLayerMode(p, l, mode);
  });
  host_.StartPlayback();
  previousModeIndex = quint16(chosen);
}

void TframeLayer::sbOpacityChange(int value) {
  quenvar::TProject* project = Project();
  if (!project) return;
  try {
    if (!opacityChanging_) {
      opacityChanging_ = true;
      opacityModifiedStart_ = project->modified;
      opacityStart_ = quenvar::RecordLayer(*layer, false);
    }
    quenvar::SetLayerOpacity(*project, *layer, std::uint16_t(value));
    LOpacityValue->setText(QString::number(value));
    if (!sbOpacity->isSliderDown()) CommitOpacity();
  } catch (const std::exception&) {
  }
}

void TframeLayer::CommitOpacity() {
  quenvar::TProject* project = Project();
  const int index = LayerIndex();
  if (!opacityChanging_) return;
  opacityChanging_ = false;
  if (!project || index < 0) return;
  host_.PushEdit(
      quenvar::LayerChanged(*project, index, opacityStart_, "Opacity", opacityModifiedStart_));
}

void TframeLayer::ResetGraph1Click() {
  Edit(quenvar::TLayerScope::ViewPixels, "Clear Alpha",
       [](quenvar::TProject&, quenvar::TBlendLayer& l) { quenvar::ClearLayerAlpha(l); });
}

void TframeLayer::ResetPosition1Click() {
  Edit(quenvar::TLayerScope::Fields, "Reset Position", quenvar::ResetLayerPosition);
}

void TframeLayer::ResetMotion1Click() {
  Edit(quenvar::TLayerScope::Fields, "Reset Motion", quenvar::ResetLayerMotion);
}

void TframeLayer::TileWrap1Click(bool tile) {
  Edit(quenvar::TLayerScope::Fields, "Tile wrap",
       [tile](quenvar::TProject& p, quenvar::TBlendLayer& l) {
         quenvar::SetLayerTileWrap(p, l, tile);
       });
}

void TframeLayer::Duplicatelayer1Click() {
  quenvar::TProject* project = Project();
  const int index = LayerIndex();
  if (!project || index < 0) return;
  host_.PushEdit(quenvar::DuplicateLayerEdit(*project, index));
  host_.RebuildLayerFrames();
}

void TframeLayer::Deletelayer1Click() {
  quenvar::TProject* project = Project();
  const int index = LayerIndex();
  if (!project || index < 0) return;
  host_.StartPlayback();
  host_.PushEdit(quenvar::DeleteLayerEdit(*project, index));
  host_.SetSelection(nullptr);
  panel_.RemoveRow(this);
}

void TframeLayer::PadPressed() {
  quenvar::TProject* project = Project();
  if (!project) return;
  padStart_ = quenvar::RecordLayer(*layer, false);
  padModifiedStart_ = project->modified;
  padDragging_ = true;
}

void TframeLayer::PadMoved(quenvar::TShiftState shift) {
  quenvar::TProject* project = Project();
  if (!project || !pad || !(shift & quenvar::ssLeft)) return;
  quenvar::SetLayerMotion(*project, *layer, pad->speedX, pad->speedY);
}

void TframeLayer::PadReleased(quenvar::TMouseButton button) {
  quenvar::TProject* project = Project();
  const int index = LayerIndex();
  if (!padDragging_ || button != quenvar::mbLeft) return;
  padDragging_ = false;
  if (!project || index < 0 || !pad) return;
  // The motion the layer plays is the one the label shows.
  quenvar::SetLayerMotion(*project, *layer, pad->speedX, pad->speedY);
  host_.PushEdit(quenvar::LayerChanged(*project, index, padStart_, "Motion", padModifiedStart_));
}

void TframeLayer::PanelTopMouseMove(QMouseEvent* event) {
  const int globalY = qRound(event->globalPosition().y());
  quenvar::TProject* project = Project();
  if ((event->buttons() & Qt::LeftButton) && project) {
    raise();
    if (!dragging) {
      dragging = true;
      dragStartIndex_ = LayerIndex();
      dragModifiedStart_ = project->modified;
    }
    move(x(), std::max(0, y() + (globalY - panel_.LastTitleY())));
    const QPoint at = PanelTop->mapFromGlobal(event->globalPosition().toPoint());
    LName->setText(QStringLiteral("%1 %2").arg(at.x()).arg(at.y()));
    LetTimersRun();
    const int last = int(project->layers.size()) - 1;
    const int target = std::clamp(y() / height(), 0, std::max(last, 0));
    const int index = LayerIndex();
    if (index >= 0 && target != index) {
      quenvar::MoveLayer(*project, index, target);
      panel_.LayoutRows();
    }
  }
  panel_.LastTitleY() = globalY;
}

void TframeLayer::PanelTopMouseUp() {
  if (!dragging) return;
  dragging = false;
  // The title showed the pointer while dragging.
  if (layer) LName->setText(Text(layer->name));
  quenvar::TProject* project = Project();
  const int index = LayerIndex();
  if (project && index >= 0 && dragStartIndex_ >= 0 && index != dragStartIndex_) {
    // The drag restacked as it went; the undo stack gets it as one move.
    quenvar::MoveLayer(*project, index, dragStartIndex_);
    project->modified = dragModifiedStart_;
    host_.PushEdit(quenvar::MoveLayerEdit(*project, dragStartIndex_, index));
  }
  dragStartIndex_ = -1;
  panel_.LayoutRows();
}

bool TframeLayer::eventFilter(QObject* watched, QEvent* event) {
  const bool titleBar = watched == PanelTop || watched == LName || watched == LPicture;
  switch (event->type()) {
    case QEvent::FocusIn:
      FrameEnter();
      break;
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) break;
      if (titleBar) panel_.LastTitleY() = qRound(mouse->globalPosition().y());
      if (titleBar || watched == PanelMain)
        PanelMainClick();
      else if (qobject_cast<QLabel*>(watched))
        FrameEnter();
      break;
    }
    case QEvent::MouseMove:
      if (watched == PanelTop || watched == LName)
        PanelTopMouseMove(static_cast<QMouseEvent*>(event));
      break;
    case QEvent::MouseButtonRelease:
      if (titleBar) PanelTopMouseUp();
      break;
    case QEvent::MouseButtonDblClick:
      if (watched == eFilename) bOpenClick();
      break;
    default:
      break;
  }
  return QFrame::eventFilter(watched, event);
}

void TframeLayer::contextMenuEvent(QContextMenuEvent* event) {
  popupLayer->popup(event->globalPos());
}
