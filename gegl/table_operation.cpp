#include "table_operation.h"

#include <cctype>
#include <cstring>
#include <string>

#include <gegl-plugin.h>

#include "layer_render.h"
#include "reduced_preview.h"
#include "scale_properties.h"
#include "table_properties.h"

namespace kelvo::gegl {
namespace {

struct TableOperation {
    GeglOperationFilter parent;
    alignas(kSettingsRecordAlignment) unsigned char record[kMaxSettingsRecordBytes];
    ScaleSettings scale;
    LayerFormat format;
    bool warnedUnbounded;
};

struct TableOperationClass {
    GeglOperationFilterClass parent;
    const FilterDescription* description;
    const char* operationName;
    PropertyRows properties;
    // GeglOperationFilter's own process, which Process below runs for inputs
    // with bounds.
    gboolean (*filterProcess)(GeglOperation*, GeglOperationContext*, const gchar*, const GeglRectangle*, gint);
};

// The filter's title in the form of a GEGL name: "Lens Flare" as
// "kelvo:lens-flare" (lower case, words joined by '-') or, for the type, as
// "KelvoLensFlare" (words joined).
const char* GeglName(const FilterDescription& filter, bool typeName) {
    std::string name = typeName ? "Kelvo" : "kelvo:";
    for (const char* c = filter.title; *c != '\0'; ++c) {
        if (*c == ' ')
            name += typeName ? "" : "-";
        else
            name += typeName ? *c : static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    }
    return g_intern_string(name.c_str());
}

const TableOperationClass& ClassOf(gpointer instance) {
    return *reinterpret_cast<TableOperationClass*>(G_OBJECT_GET_CLASS(instance));
}
const FilterDescription& DescriptionOf(gpointer instance) { return *ClassOf(instance).description; }

// The scale properties follow the table's.
guint FirstScaleId(gpointer instance) { return static_cast<guint>(ClassOf(instance).properties.count) + 1; }

TableOperation* Self(gpointer instance) { return static_cast<TableOperation*>(instance); }

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    if (SetScaleProperty(&Self(object)->scale, FirstScaleId(object), id, value)) return;
    const SettingField* field = TableField(DescriptionOf(object), ClassOf(object).properties, id);
    if (field == nullptr) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    SetTableProperty(*field, Self(object)->record, value);
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    if (GetScaleProperty(Self(object)->scale, FirstScaleId(object), id, value)) return;
    const SettingField* field = TableField(DescriptionOf(object), ClassOf(object).properties, id);
    if (field == nullptr) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    GetTableProperty(*field, Self(object)->record, value);
}

void Prepare(GeglOperation* operation) {
    TableOperation* self = Self(operation);
    self->format = WorkingFormat(gegl_operation_get_source_format(operation, "input"));
    gegl_operation_set_format(operation, "input", self->format.format);
    gegl_operation_set_format(operation, "output", self->format.format);
}

// Every output pixel may depend on every input pixel: the whole layer, always.
GeglRectangle WholeInput(GeglOperation* operation) {
    const GeglRectangle* box = gegl_operation_source_get_bounding_box(operation, "input");
    return box != nullptr ? *box : GeglRectangle{0, 0, 0, 0};
}

// An input without bounds (gegl:checkerboard, gegl:color) has no layer to
// render: the operation passes it through, as GEGL's own whole-image
// operations do, and asks only for the region being read.
bool Unbounded(GeglOperation* operation) {
    const GeglRectangle box = WholeInput(operation);
    return gegl_rectangle_is_infinite_plane(&box) != FALSE;
}

GeglRectangle RequiredForOutput(GeglOperation* operation, const gchar*, const GeglRectangle* roi) {
    return Unbounded(operation) ? *roi : WholeInput(operation);
}

GeglRectangle CachedRegion(GeglOperation* operation, const GeglRectangle* roi) {
    return Unbounded(operation) ? *roi : WholeInput(operation);
}

GeglRectangle InvalidatedByChange(GeglOperation* operation, const gchar*, const GeglRectangle* roi) {
    return Unbounded(operation) ? *roi : WholeInput(operation);
}

void ReportProgress(void* context, int32_t done, int32_t total) {
    if (total > 0)
        gegl_operation_progress(static_cast<GeglOperation*>(context), static_cast<double>(done) / total,
                                const_cast<gchar*>(""));
}

gboolean PassUnboundedThrough(GeglOperation* operation, GeglOperationContext* context, const gchar* pad,
                              const GeglRectangle* roi, gint level) {
    if (!Unbounded(operation)) return ClassOf(operation).filterProcess(operation, context, pad, roi, level);
    TableOperation* self = Self(operation);
    if (!self->warnedUnbounded)
        g_warning("%s: the input has no bounds (an infinite plane); it is passed through unchanged",
                  ClassOf(operation).operationName);
    self->warnedUnbounded = true;
    GObject* input = gegl_operation_context_get_object(context, "input");
    if (input != nullptr) gegl_operation_context_take_object(context, "output", g_object_ref(input));
    return TRUE;
}

gboolean Process(GeglOperation* operation, GeglBuffer* input, GeglBuffer* output, const GeglRectangle*, gint level) {
    TableOperation* self = Self(operation);
    const FilterDescription& description = DescriptionOf(operation);
    // Mipmap levels beyond GEGL's own are taken as its deepest.
    if (level < 0) level = 0;
    if (level > 8) level = 8;

    // A reduced preview is the full render reduced where that fits
    // (reduced_preview.h); otherwise it renders as the dialogs' previews do,
    // at previewScale 2^level.
    const GeglRectangle whole = WholeInput(operation);
    const bool fromFull = level > 0 && FullPreviewFits(whole);
    alignas(kSettingsRecordAlignment) unsigned char record[kMaxSettingsRecordBytes];
    std::memcpy(record, self->record, description.recordSize);
    description.setPreviewScale(record, fromFull ? 1 : 1 << level);
    description.enlarge(record, Enlargement(self->scale, whole.width));

    LayerRender render;
    render.render = description.render;
    render.renderDeep = description.renderDeep;
    render.record = record;
    render.callbacks.context = operation;
    render.callbacks.progress = ReportProgress;
    const GeglRectangle rect = RectangleAtLevel(whole, level);
    const bool rendered = fromFull ? RenderReducedFromFull(input, output, whole, level, self->format, render)
                                   : RenderLayer(input, output, rect, level, self->format, render);
    if (!rendered)
        g_warning("%s: a layer of %d x %d pixels is larger than the filter takes (%d per side) or too large for "
                  "memory; it is left unchanged",
                  ClassOf(operation).operationName, rect.width, rect.height, kMaxAreaSide);
    gegl_operation_progress(operation, 1.0, const_cast<gchar*>(""));
    return TRUE;
}

void InitInstance(GTypeInstance* instance, gpointer klass) {
    const FilterDescription& description = *static_cast<TableOperationClass*>(klass)->description;
    TableOperation* self = Self(instance);
    std::memset(self->record, 0, sizeof self->record);
    description.writeDefaults(self->record);
    description.setPreviewScale(self->record, 1);
    self->scale = ScaleSettings{};
    self->format = LayerFormat{};
    self->warnedUnbounded = false;
}

void InitClass(gpointer klass, gpointer data) {
    const auto* description = static_cast<const FilterDescription*>(data);
    auto* tableClass = static_cast<TableOperationClass*>(klass);
    tableClass->description = description;
    tableClass->operationName = GeglName(*description, false);

    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = SetProperty;
    objectClass->get_property = GetProperty;

    GeglOperationClass* operationClass = GEGL_OPERATION_CLASS(klass);
    operationClass->prepare = Prepare;
    tableClass->filterProcess = operationClass->process;
    operationClass->process = PassUnboundedThrough;
    operationClass->get_required_for_output = RequiredForOutput;
    operationClass->get_cached_region = CachedRegion;
    operationClass->get_invalidated_by_change = InvalidatedByChange;
    operationClass->threaded = FALSE;  // one render over the whole layer
    GEGL_OPERATION_FILTER_CLASS(klass)->process = Process;

    tableClass->properties = InstallTableProperties(objectClass, *description);
    InstallScaleProperties(objectClass, static_cast<guint>(tableClass->properties.count) + 1, description->scaleBlurb);
    const std::string title = std::string("Kelvo ") + description->title;
    const std::string menuLabel = std::string("Kelvo _") + description->title + "...";
    gegl_operation_class_set_keys(operationClass,
        "name", tableClass->operationName,
        "title", g_intern_string(title.c_str()),
        "categories", "light",
        "description", description->summary,
        "gimp:menu-path", "<Image>/Filters/Light and Shadow",
        "gimp:menu-label", g_intern_string(menuLabel.c_str()),
        nullptr);
}

}  // namespace

GType RegisterTableOperation(GTypeModule* module, const FilterDescription* description) {
    g_return_val_if_fail(description->recordSize <= kMaxSettingsRecordBytes, G_TYPE_INVALID);
    GTypeInfo info{};
    info.class_size = sizeof(TableOperationClass);
    info.class_init = InitClass;
    info.class_data = description;
    info.instance_size = sizeof(TableOperation);
    info.instance_init = InitInstance;
    return g_type_module_register_type(module, GEGL_TYPE_OPERATION_FILTER, GeglName(*description, true), &info,
                                       static_cast<GTypeFlags>(0));
}

}  // namespace kelvo::gegl
