// The result-code texts of the drawing interface: every code the surfaces,
// clipper and object can report, plus the general COM results, each with
// the one-sentence description of the interface's documentation.
#include "display/win32_ddraw_errors.h"

namespace marlow {
namespace {

struct ResultText {
  uint32_t code;
  const char* text;
};

// Codes of the interface's facility: 0x88760000 plus the listed offset.
constexpr uint32_t Dd(uint32_t offset) {
  return 0x88760000u + offset;
}

constexpr ResultText kTexts[] = {
    {0x00000000u, "The request completed successfully."},
    {0x80004001u, "The operation is not supported."},
    {0x80004005u, "There is an undefined error condition."},
    {0x800401F0u,
     "An attempt was made to call an interface method of an object created by "
     "CoCreateInstance before the object was initialized."},
    {0x8007000Eu, "DirectDraw does not have enough memory to perform the operation."},
    {0x80070057u, "One or more of the parameters passed to the method are incorrect."},
    {Dd(5), "The object has already been initialized."},
    {Dd(10), "A surface cannot be attached to another requested surface."},
    {Dd(20), "A surface cannot be detached from another requested surface."},
    {Dd(40), "No support is currently available."},
    {Dd(55), "An exception was encountered while performing the requested operation."},
    {Dd(90), "The height of the provided rectangle is not a multiple of the required alignment."},
    {Dd(95),
     "The primary surface creation request does not match with the existing primary surface."},
    {Dd(100), "One or more of the capability bits passed to the callback function are incorrect."},
    {Dd(110), "DirectDraw does not support the provided clip list."},
    {Dd(120), "DirectDraw does not support the requested mode."},
    {Dd(130), "DirectDraw received a pointer that was an invalid DirectDraw object."},
    {Dd(145), "The pixel format was invalid as specified."},
    {Dd(150), "The provided rectangle was invalid."},
    {Dd(160), "One or more surfaces are locked, preventing operation."},
    {Dd(170), "No 3-D hardware or emulation is present."},
    {Dd(180),
     "No alpha acceleration hardware is present or available, causing the failure of the requested "
     "operation."},
    {Dd(205), "No clip list is available."},
    {Dd(210),
     "The operation cannot be carried out because no color-conversion hardware is present or "
     "available."},
    {Dd(212), "A create function is called without the SetCooperativeLevel method being called."},
    {Dd(215), "The surface does not currently have a color key."},
    {Dd(220),
     "The operation cannot be carried out because there is no hardware support for the destination "
     "color key."},
    {Dd(222), "DirectDraw support is not possible with the current display driver."},
    {Dd(225),
     "The operation requires the application to have exclusive mode, but the application does not "
     "have exclusive mode."},
    {Dd(230), "Flipping visible surfaces is not supported."},
    {Dd(240), "No GDI is present."},
    {Dd(250),
     "The operation cannot be carried out because no mirroring hardware is present or available."},
    {Dd(255), "The requested item was not found."},
    {Dd(260),
     "The operation cannot be carried out because no overlay hardware is present or available."},
    {Dd(280),
     "The operation cannot be carried out because no appropriate raster operation hardware is "
     "present or available."},
    {Dd(290),
     "The operation cannot be carried out because no rotation hardware is present or available."},
    {Dd(310),
     "The operation cannot be carried out because there is no hardware support for stretching."},
    {Dd(316),
     "The surface is not using a 4-bit color palette and the requested operation requires a 4-bit "
     "color palette."},
    {Dd(317),
     "The surface is not using a 4-bit color index palette and the requested operation requires a "
     "4-bit color index palette."},
    {Dd(320),
     "The surface is not using an 8-bit color palette and the requested operation requires an "
     "8-bit color palette."},
    {Dd(330),
     "The operation cannot be carried out because no texture-mapping hardware is present or "
     "available."},
    {Dd(335),
     "The operation cannot be carried out because there is no hardware support for vertical blank "
     "synchronized operations."},
    {Dd(340),
     "The operation to create a z-buffer in display memory or to perform a blit using a z-buffer "
     "cannot be carried out because there is no hardware support for z-buffers."},
    {Dd(350),
     "The overlay surfaces cannot be z-layered based on the z-order because the hardware does not "
     "support z-ordering of overlays."},
    {Dd(360), "The hardware needed for the requested operation has already been allocated."},
    {Dd(380), "DirectDraw does not have enough display memory to perform the operation."},
    {Dd(382), "The hardware does not support clipped overlays."},
    {Dd(384), "An attempt was made to have more than one color key active on an overlay."},
    {Dd(387), "Access to this palette is refused because the palette is locked by another thread."},
    {Dd(400), "No source color key is specified for this operation."},
    {Dd(410),
     "An attempt was made to attach a surface to another surface to which it is already attached."},
    {Dd(420),
     "An attempt was made to make a surface a dependency of another surface to which it is already "
     "dependent."},
    {Dd(430), "Access to the surface is refused because the surface is locked by another thread."},
    {Dd(435),
     "Access to this surface is refused because an attempt was made to lock the primary surface "
     "without DCI support."},
    {Dd(440), "Access to the surface is refused because the surface is obscured."},
    {Dd(450), "Access to the surface is refused because the surface memory is gone."},
    {Dd(460), "The requested surface is not attached."},
    {Dd(470), "The height requested by DirectDraw is too large."},
    {Dd(480),
     "The size requested by DirectDraw is too large, although the individual height and width are "
     "valid sizes."},
    {Dd(490), "The width requested by DirectDraw is too large."},
    {Dd(510), "The pixel format requested is not supported by DirectDraw."},
    {Dd(520), "The bitmask in the pixel format requested is not supported by DirectDraw."},
    {Dd(537), "A vertical blank is in progress."},
    {Dd(540),
     "The previous blit operation that is transferring information to or from this surface is "
     "incomplete."},
    {Dd(560), "The provided rectangle was not horizontally aligned on a required boundary."},
    {Dd(561),
     "The globally unique identifier passed to the creation function is not a valid DirectDraw "
     "driver identifier."},
    {Dd(562),
     "A DirectDraw object representing this driver has already been created for this process."},
    {Dd(563),
     "Hardware-only DirectDraw object creation is not possible because the driver does not support "
     "any hardware."},
    {Dd(564), "This process has already created a primary surface."},
    {Dd(565), "Software emulation is not available."},
    {Dd(566), "The region passed to the GetClipList method is too small."},
    {Dd(567),
     "An attempt was made to set a clip list for a clipper object that is already monitoring a "
     "window handle."},
    {Dd(568), "No clipper object is attached to the surface object."},
    {Dd(569),
     "Clipper notification requires a window handle, or no window handle has been previously set "
     "as the cooperative level window handle."},
    {Dd(570),
     "DirectDraw is prevented from restoring state because the cooperative level window handle has "
     "been subclassed."},
    {Dd(571),
     "The cooperative level window handle has already been set and cannot be reset while the "
     "process has surfaces or palettes created."},
    {Dd(572), "No palette object is attached to this surface."},
    {Dd(573), "There is no hardware support for 16- or 256-color palettes."},
    {Dd(574),
     "A clipper object is attached to a source surface that has passed into a call to the BltFast "
     "method."},
    {Dd(575), "No blitter hardware is present."},
    {Dd(576), "No DirectDraw raster operation hardware is available."},
    {Dd(577), "The GetOverlayPosition method is called on a hidden overlay."},
    {Dd(578),
     "The GetOverlayPosition method is called on an overlay that UpdateOverlay has not been called "
     "on to establish a destination."},
    {Dd(579), "The position of the overlay on the destination is no longer legal."},
    {Dd(580), "An overlay component is called for a non-overlay surface."},
    {Dd(581),
     "An attempt was made to set the cooperative level when it was already set to exclusive."},
    {Dd(582), "An attempt has been made to flip a surface that cannot be flipped."},
    {Dd(583),
     "Primary and 3-D surfaces, or surfaces that are implicitly created, cannot be duplicated."},
    {Dd(584), "An attempt was made to unlock a surface that was not locked."},
    {Dd(585),
     "Windows cannot create any more device contexts, or a device context was requested for a "
     "palette-indexed surface without a palette."},
    {Dd(586), "No device context has ever been created for this surface."},
    {Dd(587), "This surface cannot be restored because it was created in a different mode."},
    {Dd(588), "The surface cannot be restored because it is an implicitly created surface."},
    {Dd(589), "The surface being used is not a palette-based surface."},
    {Dd(590), "The display is currently in an unsupported mode."},
    {Dd(591),
     "The operation cannot be carried out because no mipmap capable texture mapping hardware is "
     "present or available."},
    {Dd(592), "The surface was of the wrong type."},
    {Dd(620),
     "A device context has already been returned for this surface; only one can be retrieved for "
     "each surface."},
    {Dd(640), "An attempt to page lock a surface failed."},
    {Dd(660), "An attempt to page unlock a surface failed."},
    {Dd(680), "An attempt was made to page unlock a surface with no outstanding page locks."},
};

static_assert(sizeof(kTexts) / sizeof(kTexts[0]) == kDirectDrawResultTexts,
              "one text for every code of the table");

}  // namespace

const char* DirectDrawResultText(int32_t result) {
  const uint32_t code = static_cast<uint32_t>(result);
  for (const ResultText& entry : kTexts) {
    if (entry.code == code) return entry.text;
  }
  return kUnknownDirectDrawResult;
}

int32_t DirectDrawResultCodeAt(int index) {
  if (index < 0 || index >= kDirectDrawResultTexts) return 0;
  return static_cast<int32_t>(kTexts[index].code);
}

}  // namespace marlow
