// A GIMP 2.10 plug-in for the GIMP test (gimp_applies_operations.sh): it
// applies a GEGL operation to the layer of an image file through GIMP's
// drawable buffers (read the layer, render into its shadow buffer, merge the
// shadow, as GIMP's own GEGL filters write a layer) and exports the result.
//
//   kelvo-test-apply (file-in, operation, "name=value ...", file-out)
//   kelvo-test-apply-preset (file-in, settings-file, preset name, file-out)
//
// The second reads the named preset from a settings file the way GIMP 2.10
// reads its filters/*.settings: into a GimpConfig object whose properties are
// the operation's (GIMP names that type GimpGegl-<operation>-config), through
// libgimpconfig's own deserializer, which refuses unknown properties and
// values outside a property's range.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gegl.h>
#include <glib-object.h>

// libgimpconfig's scanner header declares its functions without C linkage.
extern "C" {
#include <libgimp/gimp.h>
#include <libgimpconfig/gimpconfig.h>
}

namespace {

constexpr const char* kApply = "kelvo-test-apply";
constexpr const char* kApplyPreset = "kelvo-test-apply-preset";

// ---- A GimpConfig holding an operation's properties ---------------------------------

struct PresetConfig {
    GObject parent;
    GValue* values;  // one per property, in id order
};
struct PresetConfigClass {
    GObjectClass parent;
    guint count;
};

void PresetSet(GObject* object, guint id, const GValue* value, GParamSpec*) {
    g_value_copy(value, &reinterpret_cast<PresetConfig*>(object)->values[id - 1]);
}
void PresetGet(GObject* object, guint id, GValue* value, GParamSpec*) {
    g_value_copy(&reinterpret_cast<PresetConfig*>(object)->values[id - 1], value);
}

// The config type of `operation`: "time" (GIMP's mark of a named preset: 0)
// and a copy of each of the operation's number properties.
GType PresetConfigType(const char* operation) {
    std::string name = std::string("GimpGegl-") + operation + "-config";
    for (char& c : name)
        if (!g_ascii_isalnum(c) && c != '-') c = '-';
    guint count = 0;
    GParamSpec** pspecs = gegl_operation_list_properties(operation, &count);
    struct Data {
        GParamSpec** pspecs;
        guint count;
    };
    auto* data = new Data{pspecs, count};
    GTypeInfo info{};
    info.class_size = sizeof(PresetConfigClass);
    info.class_data = data;
    info.class_init = [](gpointer klass, gpointer classData) {
        const Data& d = *static_cast<Data*>(classData);
        GObjectClass* objectClass = G_OBJECT_CLASS(klass);
        objectClass->set_property = PresetSet;
        objectClass->get_property = PresetGet;
        const auto flags = static_cast<GParamFlags>(G_PARAM_READWRITE | GIMP_CONFIG_PARAM_SERIALIZE);
        guint id = 0;
        g_object_class_install_property(objectClass, ++id,
                                        g_param_spec_uint("time", nullptr, nullptr, 0, G_MAXUINT, 0, flags));
        for (guint i = 0; i < d.count; ++i) {
            GParamSpec* s = d.pspecs[i];
            GParamSpec* copy = nullptr;
            if (G_IS_PARAM_SPEC_INT(s)) {
                auto* p = G_PARAM_SPEC_INT(s);
                copy = g_param_spec_int(s->name, nullptr, nullptr, p->minimum, p->maximum, p->default_value, flags);
            } else if (G_IS_PARAM_SPEC_DOUBLE(s)) {
                auto* p = G_PARAM_SPEC_DOUBLE(s);
                copy = g_param_spec_double(s->name, nullptr, nullptr, p->minimum, p->maximum, p->default_value,
                                           flags);
            }
            if (copy != nullptr) g_object_class_install_property(objectClass, ++id, copy);
        }
        reinterpret_cast<PresetConfigClass*>(klass)->count = id;
    };
    info.instance_size = sizeof(PresetConfig);
    info.instance_init = [](GTypeInstance* instance, gpointer klass) {
        auto* self = reinterpret_cast<PresetConfig*>(instance);
        guint count = 0;
        GParamSpec** pspecs = g_object_class_list_properties(G_OBJECT_CLASS(klass), &count);
        self->values = g_new0(GValue, count + 1);
        for (guint i = 0; i < count; ++i) {
            g_value_init(&self->values[pspecs[i]->param_id - 1], pspecs[i]->value_type);
            g_param_value_set_default(pspecs[i], &self->values[pspecs[i]->param_id - 1]);
        }
        g_free(pspecs);
    };
    GType type = g_type_register_static(G_TYPE_OBJECT, name.c_str(), &info, static_cast<GTypeFlags>(0));
    static const GInterfaceInfo kConfig = {nullptr, nullptr, nullptr};
    g_type_add_interface_static(type, GIMP_TYPE_CONFIG, &kConfig);
    return type;
}

// Reads the preset named `wanted` from a settings file: a list of
// (TYPE "name" (property value) ...). False with a message when the file does
// not parse or holds no such preset.
bool ReadPreset(const char* path, const char* operation, const char* wanted, GObject** found) {
    const GType type = PresetConfigType(operation);
    GError* error = nullptr;
    GScanner* scanner = gimp_scanner_new_file(path, &error);
    if (scanner == nullptr) {
        g_printerr("kelvo-test: %s\n", error->message);
        return false;
    }
    bool ok = true;
    while (ok && g_scanner_peek_next_token(scanner) == G_TOKEN_LEFT_PAREN) {
        g_scanner_get_next_token(scanner);
        gchar* typeName = nullptr;
        gchar* name = nullptr;
        ok = gimp_scanner_parse_identifier(scanner, g_type_name(type)) && gimp_scanner_parse_string(scanner, &name);
        if (!ok) {
            g_printerr("kelvo-test: %s: line %u: expected (%s \"name\" ...\n", path, g_scanner_cur_line(scanner),
                       g_type_name(type));
            break;
        }
        GObject* config = static_cast<GObject*>(g_object_new(type, nullptr));
        ok = gimp_config_deserialize_properties(GIMP_CONFIG(config), scanner, 1) &&
             g_scanner_get_next_token(scanner) == G_TOKEN_RIGHT_PAREN;
        if (!ok) g_printerr("kelvo-test: %s: line %u: preset \"%s\" does not read\n", path,
                            g_scanner_cur_line(scanner), name);
        if (ok && *found == nullptr && std::strcmp(name, wanted) == 0)
            *found = config;
        else
            g_object_unref(config);
        g_free(name);
        g_free(typeName);
    }
    if (ok && g_scanner_peek_next_token(scanner) != G_TOKEN_EOF) {
        g_printerr("kelvo-test: %s: line %u: unexpected text\n", path, g_scanner_cur_line(scanner));
        ok = false;
    }
    gimp_scanner_destroy(scanner);
    if (ok && *found == nullptr) g_printerr("kelvo-test: %s holds no preset \"%s\"\n", path, wanted);
    return ok && *found != nullptr;
}

// ---- Applying an operation to a layer -------------------------------------------------

// Loads the file, renders the node's operation over its active layer through
// the shadow buffer, and exports the image.
bool ApplyAndExport(const char* in, GeglNode* operation, const char* out) {
    const gint32 image = gimp_file_load(GIMP_RUN_NONINTERACTIVE, in, in);
    if (image < 0) return false;
    const gint32 drawable = gimp_image_get_active_drawable(image);
    GeglBuffer* source = gimp_drawable_get_buffer(drawable);
    GeglBuffer* shadow = gimp_drawable_get_shadow_buffer(drawable);
    GeglNode* graph = gegl_node_new();
    GeglNode* read = gegl_node_new_child(graph, "operation", "gegl:buffer-source", "buffer", source, nullptr);
    GeglNode* write = gegl_node_new_child(graph, "operation", "gegl:write-buffer", "buffer", shadow, nullptr);
    gegl_node_add_child(graph, operation);
    gegl_node_link_many(read, operation, write, nullptr);
    gegl_node_process(write);
    g_object_unref(graph);
    g_object_unref(shadow);
    g_object_unref(source);
    gimp_drawable_merge_shadow(drawable, TRUE);
    gimp_drawable_update(drawable, 0, 0, gimp_image_width(image), gimp_image_height(image));
    const bool saved = gimp_file_save(GIMP_RUN_NONINTERACTIVE, image, drawable, out, out);
    gimp_image_delete(image);
    return saved;
}

// "name=value ..." onto the node, each value read as its property's type.
bool SetProperties(GeglNode* node, const char* text) {
    gchar** pairs = g_strsplit(text, " ", -1);
    bool ok = true;
    for (gchar** p = pairs; ok && *p != nullptr; ++p) {
        if (**p == '\0') continue;
        gchar** kv = g_strsplit(*p, "=", 2);
        GParamSpec* pspec = kv[1] != nullptr ? gegl_node_find_property(node, kv[0]) : nullptr;
        if (pspec == nullptr) {
            g_printerr("kelvo-test: no property '%s'\n", *p);
            ok = false;
        } else if (pspec->value_type == G_TYPE_INT) {
            gegl_node_set(node, kv[0], static_cast<gint>(g_ascii_strtoll(kv[1], nullptr, 10)), nullptr);
        } else {
            gegl_node_set(node, kv[0], g_ascii_strtod(kv[1], nullptr), nullptr);
        }
        g_strfreev(kv);
    }
    g_strfreev(pairs);
    return ok;
}

void Query() {
    static const GimpParamDef kApplyArgs[] = {
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"), const_cast<gchar*>("run mode")},
        {GIMP_PDB_STRING, const_cast<gchar*>("file-in"), const_cast<gchar*>("image to load")},
        {GIMP_PDB_STRING, const_cast<gchar*>("operation"), const_cast<gchar*>("GEGL operation")},
        {GIMP_PDB_STRING, const_cast<gchar*>("properties"), const_cast<gchar*>("name=value ...")},
        {GIMP_PDB_STRING, const_cast<gchar*>("file-out"), const_cast<gchar*>("image to export")},
    };
    static const GimpParamDef kPresetArgs[] = {
        {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"), const_cast<gchar*>("run mode")},
        {GIMP_PDB_STRING, const_cast<gchar*>("file-in"), const_cast<gchar*>("image to load")},
        {GIMP_PDB_STRING, const_cast<gchar*>("settings"), const_cast<gchar*>("kelvo:lens-flare settings file")},
        {GIMP_PDB_STRING, const_cast<gchar*>("preset"), const_cast<gchar*>("preset name")},
        {GIMP_PDB_STRING, const_cast<gchar*>("file-out"), const_cast<gchar*>("image to export")},
    };
    gimp_install_procedure(kApply, "Applies a GEGL operation to an image file's layer", "", "Kelvo", "Kelvo", "2026",
                           nullptr, nullptr, GIMP_PLUGIN, G_N_ELEMENTS(kApplyArgs), 0, kApplyArgs, nullptr);
    gimp_install_procedure(kApplyPreset, "Applies a kelvo:lens-flare preset to an image file's layer", "", "Kelvo",
                           "Kelvo", "2026", nullptr, nullptr, GIMP_PLUGIN, G_N_ELEMENTS(kPresetArgs), 0,
                           kPresetArgs, nullptr);
}

void Run(const gchar* name, gint, const GimpParam* params, gint* returnCount, GimpParam** returns) {
    static GimpParam result[1];
    gegl_init(nullptr, nullptr);
    bool ok = false;
    if (std::strcmp(name, kApply) == 0) {
        GeglNode* node = gegl_node_new();
        gegl_node_set(node, "operation", params[2].data.d_string, nullptr);
        ok = gegl_has_operation(params[2].data.d_string) && SetProperties(node, params[3].data.d_string) &&
             ApplyAndExport(params[1].data.d_string, node, params[4].data.d_string);
        g_object_unref(node);
    } else if (std::strcmp(name, kApplyPreset) == 0) {
        const char* operation = "kelvo:lens-flare";
        GObject* preset = nullptr;
        if (gegl_has_operation(operation) &&
            ReadPreset(params[2].data.d_string, operation, params[3].data.d_string, &preset)) {
            GeglNode* node = gegl_node_new();
            gegl_node_set(node, "operation", operation, nullptr);
            guint count = 0;
            GParamSpec** pspecs = g_object_class_list_properties(G_OBJECT_GET_CLASS(preset), &count);
            for (guint i = 0; i < count; ++i) {
                if (std::strcmp(pspecs[i]->name, "time") == 0) continue;
                GValue value = G_VALUE_INIT;
                g_value_init(&value, pspecs[i]->value_type);
                g_object_get_property(preset, pspecs[i]->name, &value);
                gegl_node_set_property(node, pspecs[i]->name, &value);
                g_value_unset(&value);
            }
            g_free(pspecs);
            ok = ApplyAndExport(params[1].data.d_string, node, params[4].data.d_string);
            g_object_unref(node);
            g_object_unref(preset);
        }
    }
    if (!ok) g_printerr("kelvo-test: %s failed\n", name);
    result[0].type = GIMP_PDB_STATUS;
    result[0].data.d_status = ok ? GIMP_PDB_SUCCESS : GIMP_PDB_EXECUTION_ERROR;
    *returnCount = 1;
    *returns = result;
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, Query, Run};

MAIN()
