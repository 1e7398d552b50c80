#include "table_operation.h"

#include <cstring>

#include <gegl-plugin.h>

#include "layer_render.h"
#include "table_properties.h"

namespace kelvo_gegl {
namespace {

struct TableOperation {
    GeglOperationFilter parent;
    alignas(8) unsigned char record[kMaxRecordBytes];
    LayerFormat format;
};

struct TableOperationClass {
    GeglOperationFilterClass parent;
    const OperationDescription* description;
    PropertyRows properties;
};

const TableOperationClass& ClassOf(gpointer instance) {
    return *reinterpret_cast<TableOperationClass*>(G_OBJECT_GET_CLASS(instance));
}
const OperationDescription& DescriptionOf(gpointer instance) { return *ClassOf(instance).description; }

TableOperation* Self(gpointer instance) { return static_cast<TableOperation*>(instance); }

void SetProperty(GObject* object, guint id, const GValue* value, GParamSpec* pspec) {
    const SettingField* field = TableField(DescriptionOf(object), ClassOf(object).properties, id);
    if (field == nullptr) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    SetTableProperty(*field, Self(object)->record, value);
}

void GetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
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

GeglRectangle RequiredForOutput(GeglOperation* operation, const gchar*, const GeglRectangle*) {
    return WholeInput(operation);
}

GeglRectangle CachedRegion(GeglOperation* operation, const GeglRectangle*) { return WholeInput(operation); }

GeglRectangle InvalidatedByChange(GeglOperation* operation, const gchar*, const GeglRectangle*) {
    return WholeInput(operation);
}

void ReportProgress(void* context, int32_t done, int32_t total) {
    if (total > 0)
        gegl_operation_progress(static_cast<GeglOperation*>(context), static_cast<double>(done) / total,
                                const_cast<gchar*>(""));
}

gboolean Process(GeglOperation* operation, GeglBuffer* input, GeglBuffer* output, const GeglRectangle*, gint level) {
    TableOperation* self = Self(operation);
    const OperationDescription& description = DescriptionOf(operation);
    // Mipmap levels beyond GEGL's own are taken as its deepest.
    if (level < 0) level = 0;
    if (level > 8) level = 8;

    // Reduced previews render as the dialogs' previews do, at previewScale 2^level.
    alignas(8) unsigned char record[kMaxRecordBytes];
    std::memcpy(record, self->record, description.recordSize);
    description.setPreviewScale(record, 1 << level);

    LayerRender render;
    render.render = description.render;
    render.record = record;
    render.callbacks.context = operation;
    render.callbacks.progress = ReportProgress;
    const GeglRectangle rect = RectangleAtLevel(WholeInput(operation), level);
    if (!RenderLayer(input, output, rect, level, self->format, render))
        g_warning("%s: a layer of %d x %d pixels is larger than the filter takes (%d per side) or too large for "
                  "memory; it is left unchanged",
                  description.operationName, rect.width, rect.height, kMaxLayerSide);
    gegl_operation_progress(operation, 1.0, const_cast<gchar*>(""));
    return TRUE;
}

void InitInstance(GTypeInstance* instance, gpointer klass) {
    const OperationDescription& description = *static_cast<TableOperationClass*>(klass)->description;
    TableOperation* self = Self(instance);
    std::memset(self->record, 0, sizeof self->record);
    description.writeDefaults(self->record);
    description.setPreviewScale(self->record, 1);
    self->format = LayerFormat{};
}

void InitClass(gpointer klass, gpointer data) {
    const auto* description = static_cast<const OperationDescription*>(data);
    auto* tableClass = static_cast<TableOperationClass*>(klass);
    tableClass->description = description;

    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->set_property = SetProperty;
    objectClass->get_property = GetProperty;

    GeglOperationClass* operationClass = GEGL_OPERATION_CLASS(klass);
    operationClass->prepare = Prepare;
    operationClass->get_required_for_output = RequiredForOutput;
    operationClass->get_cached_region = CachedRegion;
    operationClass->get_invalidated_by_change = InvalidatedByChange;
    operationClass->threaded = FALSE;  // one render over the whole layer
    GEGL_OPERATION_FILTER_CLASS(klass)->process = Process;

    tableClass->properties = InstallTableProperties(objectClass, *description);
    gegl_operation_class_set_keys(operationClass,
        "name", description->operationName,
        "title", description->title,
        "categories", "light",
        "description", description->description,
        "gimp:menu-path", "<Image>/Filters/Light and Shadow",
        "gimp:menu-label", description->menuLabel,
        nullptr);
}

}  // namespace

GType RegisterTableOperation(GTypeModule* module, const OperationDescription* description) {
    g_return_val_if_fail(description->recordSize <= kMaxRecordBytes, G_TYPE_INVALID);
    GTypeInfo info{};
    info.class_size = sizeof(TableOperationClass);
    info.class_init = InitClass;
    info.class_data = description;
    info.instance_size = sizeof(TableOperation);
    info.instance_init = InitInstance;
    return g_type_module_register_type(module, GEGL_TYPE_OPERATION_FILTER, description->typeName, &info,
                                       static_cast<GTypeFlags>(0));
}

}  // namespace kelvo_gegl
