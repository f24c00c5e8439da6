// The window's chrome: how its own widgets follow a resize, the Tab order of
// the fields, the skin's colours for the dialogs and the popup menu, and what
// the window remembers between runs (its geometry and the list's columns).
#include "app/CoverPanel.h"
#include "app/Settings.h"
#include "app/Tageditor.h"
#include "app/TrackList.h"
#include "app/dir.h"
#include "components/skin/Skin.h"

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>

// The window's own widgets keep their distances to the edges they are
// anchored to; the skin's objects follow their own anchors. The convention,
// for every widget placed on the window:
// - the list takes the new room: all four edges;
// - labels, single-line fields and their apply buttons stay at the right,
//   below the toolbar: top and right;
// - the comment box grows downwards: top, right and bottom; the button below
//   it (the last apply button) keeps to the bottom right corner;
// - a bar across the window (the plain command bar): left, top and right;
//   one along the bottom (status, player position): left, right and bottom.
// A widget placed later (or moved by hand) is anchored with Skin1->AnchorWidget
// right after it got its place in the 773 x 497 design.
void Tfm_main::anchorComponents() {
    const Qt::Edges topRight = Qt::TopEdge | Qt::RightEdge;
    Skin1->AnchorWidget(lv_id3, Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge);
    for (QWidget* widget : std::initializer_list<QWidget*>{
             lb_path, SkinLabel1, SkinLabel2, SkinLabel3, SkinLabel4, SkinLabel5, SkinLabel6,
             SkinLabel7, edt_tatal, edt_art, edt_alb, edt_year, edt_track, edt_genre, Button1,
             Button2, Button3, Button4, Button5})
        Skin1->AnchorWidget(widget, topRight);
    Skin1->AnchorWidget(edt_com, topRight | Qt::BottomEdge);
    Skin1->AnchorWidget(Button6, Qt::RightEdge | Qt::BottomEdge);
}

// Tab goes down the fields, then through their apply buttons and the cover
// panel's buttons, then to the
// list and round to the title again. The comment box passes Tab on instead of
// typing it. A field added later goes into this chain at its place.
void Tfm_main::chainTabOrder() {
    edt_com->setTabChangesFocus(true);
    QWidget* const chain[] = {edt_tatal,
                              edt_art,
                              edt_alb,
                              edt_year,
                              edt_track,
                              edt_genre,
                              edt_com,
                              Button1,
                              Button2,
                              Button3,
                              Button4,
                              Button5,
                              Button6,
                              CoverPanel1->setButton(),
                              CoverPanel1->removeButton(),
                              lv_id3,
                              edt_tatal};
    for (std::size_t i = 0; i + 1 < std::size(chain); ++i)
        setTabOrder(chain[i], chain[i + 1]);
}

// Message boxes, the file and folder dialogs and the popup menu take the
// skin's colours: the application's palette becomes the skin's, and the menu
// and the folder dialog take its font as well.
void Tfm_main::applyDialogColours() {
    if (!applicationPalette_)
        applicationPalette_ = QApplication::palette();
    QApplication::setPalette(Skin1->Palette());
    Skin1->ApplyColours(PopupMenu1);
    Skin1->ApplyColours(folderDialog());
}

// The geometry goes back as it was left, maximized or not; the list's column
// widths and sort order when the list still has the same columns.
void Tfm_main::restoreSettings() {
    if (const QByteArray geometry = velmora::settings::WindowGeometry(); !geometry.isEmpty())
        restoreGeometry(geometry);
    QHeaderView* header = lv_id3->header();
    const QByteArray state = velmora::settings::ListHeaderState(header->count());
    if (!state.isEmpty() && header->restoreState(state) && lv_id3->isSortingEnabled())
        lv_id3->sortByColumn(header->sortIndicatorSection(), header->sortIndicatorOrder());
}

void Tfm_main::saveSettings() const {
    velmora::settings::SetWindowGeometry(saveGeometry());
    const QHeaderView* header = lv_id3->header();
    velmora::settings::SetListHeaderState(header->saveState(), header->count());
}
