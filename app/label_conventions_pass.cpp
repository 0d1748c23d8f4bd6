// The run's labels in the drawing's own conventions: rotations typed as the drawing reads
// angles, and labels on a layer of their own with the user's layer put back after them.
#include <stdexcept>

#include "app/error_text.h"
#include "app/run.h"

namespace vermiq {

const DrawingConventions& MeasureAndLabelRun::Conventions() {
    if (!conventions_) {
        const std::string xDir = link_.QueryCadVariable("UCSXDIR");
        const std::string yDir = link_.QueryCadVariable("UCSYDIR");
        const std::string base = link_.QueryCadVariable("ANGBASE");
        const std::string direction = link_.QueryCadVariable("ANGDIR");
        const std::string units = link_.QueryCadVariable("AUNITS");
        conventions_ = ConventionsFromAnswers(xDir, yDir, base, direction, units);
    }
    return *conventions_;
}

std::string MeasureAndLabelRun::SingleLabelRotation(const LabelOptions& options, const std::string& x,
                                                    const std::string& y) {
    if (options.alongElement) return RotationAtPick(x, y);
    // A plain pass asks the CAD nothing more and types what it always has. A run that labels
    // sides reads the conventions anyway, and a label layer tells that the drawing keeps
    // conventions of its own: the label is levelled by them.
    return options.eachSide || !options.layer.empty() ? LevelRotation(Conventions()) : "0";
}

void MeasureAndLabelRun::SendLabels(const std::vector<std::string>& commands, const std::string& layer) {
    std::string current;
    if (!layer.empty()) {
        current = link_.QueryCadVariable("CLAYER");
        // The user's layer must be typed back afterwards; a name the command line cannot carry
        // (or no answer at all) would leave the user on the label layer.
        if (!IsLabelLayerName(current)) throw std::runtime_error(Filled(run_text::LayerNotRestorable, current));
        if (current == layer) current.clear();
    }
    if (!current.empty()) {
        layerToRestore_ = current;
        Send(LayerCommand('M', layer));
    }
    for (const std::string& command : commands) Send(command);
    RestoreUserLayer();
}

void MeasureAndLabelRun::RestoreUserLayer() {
    if (!layerToRestore_) return;
    const std::string layer = std::move(*layerToRestore_);
    layerToRestore_.reset();
    Send(LayerCommand('S', layer));
}

} // namespace vermiq
