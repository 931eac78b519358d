#pragma once

namespace Duovue
{

/// Command numbers of a viewer pane's context menu ("Img_con"). The compositing window and the pair
/// tools keep the numbers of the main menu's entries, whose handlers they call.
enum ViewerCommandId : int {
    IdPaneCompose = 32772,
    IdPaneBinaryCompare = 32814,
    IdPaneDifferenceAnalysis = 32816,
    IdPaneJpegCompare = 32817,
    IdRotateLeft = 32785,
    IdRotateRight = 32786,
    IdRotate180 = 32787,
    IdFlipVertical = 32788,
    IdFlipHorizontal = 32789,
    IdComposeRowsPicture = 32790,
    IdComposeColumnsPicture = 32791,
    IdComposeDots = 32792,
    IdImageInfo = 32793,
    IdTrash = 32794,
    IdBackToTop = 32798,
    IdMoveToFolder = 32799,
    IdCopyToFolder = 32800,
    IdActualSize = 32801,
    IdFitToWindow = 32802,
    IdZoom100 = 32803,
    IdZoom1000 = 32807,
    IdAutoAdvanceStart = 32808,
    IdAutoAdvanceStop = 32809,
    IdColour = 32834,
    IdInverted = 32835,
    IdMonochrome = 32836,
    IdBrightness = 32839,
    // The comparison modes, which act on the whole viewer.
    IdDifferenceMode = 32901,
    IdSplitMode = 32902,
    IdFlicker = 32903,
    IdLinkedViews = 32904,
    IdComparisonOptions = 32905,
};

} // namespace Duovue
